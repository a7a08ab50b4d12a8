// The simulated scanner's control program: a control panel without
// arguments, otherwise one or more commands run in order.
#include <windows.h>

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "panel.h"
#include "report.h"
#include "simstate.h"
#include "text.h"

namespace {

using scannersim::Control;
using simshared::WriteStd;

constexpr wchar_t kUsage[] =
    L"usage: scannersim [command [args]]...  (no command: control panel)\n"
    L"  attach | detach | press left|right [reads] | hold left|right | release left|right\n"
    L"  jam | clear | fail left|right|both <value> | detached-value <value>\n"
    L"  calibration show|hide [auto-close-ms] | close-calibration\n"
    L"  insert FILE | eject | reset | clear-log | status | log\n";

using Arguments = std::vector<std::wstring>;

bool Is(const wchar_t* arg, const wchar_t* word) { return _wcsicmp(arg, word) == 0; }

bool ParseNumber(const wchar_t* text, long low, long high, long* value) {
  if (text == nullptr || *text == L'\0') return false;
  wchar_t* end = nullptr;
  const long v = std::wcstol(text, &end, 0);
  if (*end != L'\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

bool ParseButton(const wchar_t* text, bool allowBoth, int* button) {
  if (text == nullptr) return false;
  if (Is(text, L"left") || Is(text, L"0")) {
    *button = scannersim::kLeftButton;
  } else if (Is(text, L"right") || Is(text, L"1")) {
    *button = scannersim::kRightButton;
  } else if (allowBoth && Is(text, L"both")) {
    *button = scannersim::kBothButtons;
  } else {
    return false;
  }
  return true;
}

// A read value: a short, or 0x8000..0xFFFF taken as its 16-bit pattern.
bool ParseReadValue(const wchar_t* text, short* value) {
  long v = 0;
  if (!ParseNumber(text, -32768, 65535, &v)) return false;
  *value = static_cast<short>(static_cast<unsigned short>(v & 0xFFFF));
  return true;
}

using Action = std::function<void(Control&)>;

// Fills `actions`; on an error returns false with a message in `error`.
bool Parse(const Arguments& args, std::vector<Action>* actions, std::wstring* error) {
  const int n = static_cast<int>(args.size());
  for (int i = 1; i < n; ++i) {
    const wchar_t* cmd = args[i].c_str();
    const wchar_t* next = i + 1 < n ? args[i + 1].c_str() : nullptr;
    const wchar_t* after = i + 2 < n ? args[i + 2].c_str() : nullptr;
    int button = 0;
    long number = 0;
    short value = 0;
    if (Is(cmd, L"attach")) {
      actions->push_back([](Control& c) { c.Attach(); });
    } else if (Is(cmd, L"detach")) {
      actions->push_back([](Control& c) { c.Detach(); });
    } else if (Is(cmd, L"press")) {
      if (!ParseButton(next, false, &button)) {
        *error = L"press: expected left or right";
        return false;
      }
      ++i;
      int reads = 2;
      if (after != nullptr && ParseNumber(after, 0, 1000000, &number)) {
        reads = static_cast<int>(number);
        ++i;
      }
      actions->push_back([button, reads](Control& c) { c.Press(button, reads); });
    } else if (Is(cmd, L"hold") || Is(cmd, L"release")) {
      if (!ParseButton(next, false, &button)) {
        *error = std::wstring(cmd) + L": expected left or right";
        return false;
      }
      ++i;
      if (Is(cmd, L"hold")) {
        actions->push_back([button](Control& c) { c.Hold(button); });
      } else {
        actions->push_back([button](Control& c) { c.Release(button); });
      }
    } else if (Is(cmd, L"jam")) {
      actions->push_back([](Control& c) { c.Jam(); });
    } else if (Is(cmd, L"clear")) {
      actions->push_back([](Control& c) {
        c.ClearJam();
        c.ClearForced();
      });
    } else if (Is(cmd, L"fail")) {
      if (!ParseButton(next, true, &button) || !ParseReadValue(after, &value)) {
        *error = L"fail: expected left|right|both and a value";
        return false;
      }
      i += 2;
      actions->push_back([button, value](Control& c) { c.ForceRead(button, value); });
    } else if (Is(cmd, L"detached-value")) {
      if (!ParseReadValue(next, &value)) {
        *error = L"detached-value: expected a value";
        return false;
      }
      ++i;
      actions->push_back([value](Control& c) { c.SetDetachedReadValue(value); });
    } else if (Is(cmd, L"calibration")) {
      if (next == nullptr || !(Is(next, L"show") || Is(next, L"hide"))) {
        *error = L"calibration: expected show or hide";
        return false;
      }
      const bool show = Is(next, L"show");
      ++i;
      unsigned autoCloseMs = 0;
      if (after != nullptr && ParseNumber(after, 0, 86400000, &number)) {
        autoCloseMs = static_cast<unsigned>(number);
        ++i;
      }
      actions->push_back(
          [show, autoCloseMs](Control& c) { c.SetCalibrationWindow(show, autoCloseMs); });
    } else if (Is(cmd, L"close-calibration")) {
      actions->push_back([](Control& c) { c.CloseCalibrationWindow(); });
    } else if (Is(cmd, L"insert")) {
      if (next == nullptr) {
        *error = L"insert: expected an image file";
        return false;
      }
      ++i;
      wchar_t full[MAX_PATH];
      const DWORD length = GetFullPathNameW(next, MAX_PATH, full, nullptr);
      if (length == 0 || length >= MAX_PATH ||
          GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) {
        *error = std::wstring(L"insert: no such file: ") + next;
        return false;
      }
      const std::wstring card = full;
      actions->push_back([card](Control& c) { c.InsertCard(card.c_str()); });
    } else if (Is(cmd, L"eject")) {
      actions->push_back([](Control& c) { c.InsertCard(nullptr); });
    } else if (Is(cmd, L"reset")) {
      actions->push_back([](Control& c) { c.Reset(); });
    } else if (Is(cmd, L"clear-log")) {
      actions->push_back([](Control& c) { c.ClearCalls(); });
    } else if (Is(cmd, L"status")) {
      actions->push_back(
          [](Control& c) { WriteStd(STD_OUTPUT_HANDLE, scannersim::FormatState(c.GetState())); });
    } else if (Is(cmd, L"log")) {
      actions->push_back([](Control& c) {
        std::wstring text;
        for (const scannersim::CallRecord& r : c.Calls()) text += scannersim::FormatCall(r);
        for (const scannersim::ScanRecord& r : c.Scans()) text += scannersim::FormatScan(r);
        WriteStd(STD_OUTPUT_HANDLE, text);
      });
    } else {
      *error = std::wstring(L"unknown command: ") + cmd;
      return false;
    }
  }
  return true;
}

int RunCommands(const Arguments& args) {
  std::vector<Action> actions;
  std::wstring error;
  if (!Parse(args, &actions, &error)) {
    WriteStd(STD_ERROR_HANDLE, L"scannersim: " + error + L"\n" + kUsage);
    return 2;
  }
  Control control;
  if (!control.Open()) {
    WriteStd(STD_ERROR_HANDLE, L"scannersim: cannot open the simulator state\n");
    return 1;
  }
  for (const Action& action : actions) action(control);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const Arguments args = simshared::CommandArguments();
  if (args.size() <= 1) return scannersim::RunPanel(instance, show);
  const wchar_t* first = args[1].c_str();
  if (args.size() == 2 &&
      (Is(first, L"help") || Is(first, L"-h") || Is(first, L"/?") || Is(first, L"--help"))) {
    WriteStd(STD_OUTPUT_HANDLE, kUsage);
    return 0;
  }
  return RunCommands(args);
}
