// The compose window of the simulated mail client: a user (or a test acting
// as one) fills the fields and presses Send or Discard.
#pragma once

#define IDD_COMPOSE 100
#define IDC_TO 1001
#define IDC_SUBJECT 1002
#define IDC_ATTACHMENTS 1003
#define IDC_BODY 1004
#define IDC_SEND 1    /* IDOK */
#define IDC_DISCARD 2 /* IDCANCEL */
