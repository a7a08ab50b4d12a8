#include "program/journal.h"

#include <windows.h>

#include <cstdio>

#include "program/installed.h"
#include "program/screen.h"
#include "text.h"

namespace e2e {

namespace {

// Wine paints a new window a moment after it is shown.
constexpr DWORD kPaintMs = 400;

bool Asked(const wchar_t* variable) { return GetEnvironmentVariableW(variable, nullptr, 0) > 0; }
bool ScreenshotsAsked() { return Asked(L"E2E_SCREENSHOTS"); }
// The demo tells each step on one line, with what came of it.
bool DemoAsked() { return Asked(L"E2E_DEMO"); }

std::string current_step;

}  // namespace

void Step(const std::string& text) {
  current_step = text;
  if (DemoAsked()) return;
  std::printf("  step: %s\n", text.c_str());
  std::fflush(stdout);
}

void Outcome(const std::string& text) {
  if (DemoAsked()) {
    std::printf("demo: %s: %s\n", current_step.c_str(), text.c_str());
  } else {
    std::printf("        -> %s\n", text.c_str());
  }
  std::fflush(stdout);
}

void Shot(const std::string& name) {
  if (!ScreenshotsAsked()) return;
  Sleep(kPaintMs);
  static int count = 0;
  const std::wstring folder = Installed().output + L"\\screens";
  CreateDirectoryW(folder.c_str(), nullptr);
  wchar_t number[8];
  std::swprintf(number, 8, L"%02d-", ++count);
  const std::wstring path = folder + L"\\" + number + simshared::ToWide(name) + L".bmp";
  if (SaveScreen(path)) Outcome("screenshot " + Narrow(number) + name);
}

std::string Narrow(const std::wstring& text) { return simshared::ToUtf8(text); }

}  // namespace e2e
