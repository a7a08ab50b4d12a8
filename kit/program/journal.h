// What the suite tells its reader as it goes: each step, what came of it
// (one line for both when E2E_DEMO is set: the demo plays the session), and,
// when screenshots are asked for (E2E_SCREENSHOTS set), the screen at chosen
// moments.
#pragma once

#include <string>

namespace e2e {

void Step(const std::string& text);
void Outcome(const std::string& text);
// Saves the screen as <output>\screens\NN-<name>.bmp when screenshots are asked for.
void Shot(const std::string& name);

std::string Narrow(const std::wstring& text);

}  // namespace e2e
