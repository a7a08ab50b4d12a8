// The scan actions on the simulated scanner with the colour-scan library, as
// the main frame runs them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/dotwainscan.h"
#include "app/myapp.h"
#include "desktop/user.h"
#include "framework/cstring.h"
#include "mailstate.h"
#include "settings/localized.h"
#include "settings/settings.h"
#include "simstate.h"
#include "support/test_support.h"

namespace actions_testing {

using desktop::ChooseFileType;
using desktop::FileNameEdit;
using desktop::FileTypeCombo;
using desktop::SaveAs;
using desktop::SeenBox;
using desktop::User;

class ActionsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Open());
    sim.Reset();
    sim.Attach();
    auto& settings = AppSettings();
    saved_action_ = settings.button_left_action;
    saved_format_ = settings.format_ext_file;
    settings.SetLanguage(1);
    folder = TempFolder() + L"bm-actions-test";
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  void TearDown() override {
    auto& settings = AppSettings();
    settings.button_left_action = saved_action_;
    settings.format_ext_file = saved_format_;
    settings.SetLanguage(0);
    sim.Reset();
  }

  static std::wstring TempFolder() {
    wchar_t temp[MAX_PATH + 1] = L"";
    GetTempPathW(MAX_PATH + 1, temp);
    return temp;
  }
  std::wstring InFolder(const std::wstring& name) const { return folder + L"\\" + name; }
  // Text `id` of the current language with `detail` in its "%s".
  static std::wstring Localized(UINT id, const std::wstring& detail = L"") {
    CString format;
    LoadLocalizedString(format, id);
    CString text;
    text.Format(format, detail.c_str());
    return text.str();
  }
  static bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  std::vector<scannersim::ScanRecord> Scans() const { return sim.Scans(); }
  // "setui_colorscan(1) color_scanW" for the colour-scan calls in the log.
  std::string ScanCalls() const {
    std::string text;
    for (const auto& call : sim.Calls()) {
      if (call.call == scannersim::CALL_SETUI_COLORSCAN) {
        text += (text.empty() ? "" : " ") + std::string("setui_colorscan(") +
                std::to_string(call.arg1) + ")";
      } else if (call.call == scannersim::CALL_COLOR_SCAN) {
        text += (text.empty() ? "" : " ") + std::string("color_scanW");
      }
    }
    return text;
  }

  dotwainscan actions;
  mutable scannersim::Control sim;
  std::wstring folder;

 private:
  std::int32_t saved_action_ = 0;
  std::int32_t saved_format_ = 0;
};

// The default mail client of one registry view, set for a test and put back
// as it was afterwards. KEY_WOW64_* flags name the view; 0 is this process's.
class MailClientRegistration {
 public:
  static constexpr REGSAM kOtherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

  explicit MailClientRegistration(REGSAM view);
  ~MailClientRegistration();
  MailClientRegistration(const MailClientRegistration&) = delete;
  MailClientRegistration& operator=(const MailClientRegistration&) = delete;

  // "Sim Mail" with `library` as its dllpath; empty: no default client.
  void Set(const std::wstring& library) const;

 private:
  REGSAM view_;
  std::wstring saved_;
  bool had_ = false;
};

// The simulated mail client as a test begins: every call succeeds, sends
// wait for the user, sent messages go to `folder`\outbox.
::testing::AssertionResult FreshMailClient(mailsim::Control& mail, const std::wstring& folder);

// "MAPILogon=0 MAPISendMail=1 MAPILogoff=0": the mail client's calls and results.
std::string MailCalls(const mailsim::Control& mail);

// A file whose PE header names `machine`: what a library looks like to
// whoever reads its header, though it loads nowhere.
void WriteImageHeader(const std::wstring& path, WORD machine);

}  // namespace actions_testing
