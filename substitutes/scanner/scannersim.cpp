// The simulated scanner's control program: a control panel without
// arguments, otherwise one or more commands run in order.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "panel.h"
#include "report.h"
#include "simstate.h"
#include "text.h"

namespace {

using scannersim::Control;

using Arguments = std::vector<std::wstring>;
using Action = std::function<void(Control&)>;

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

// The arguments after a command's name: Take consumes one, Peek does not.
class Cursor {
 public:
  Cursor(const Arguments& args, size_t next) : args_(args), next_(next) {}
  const wchar_t* Peek() const { return next_ < args_.size() ? args_[next_].c_str() : nullptr; }
  const wchar_t* Take() {
    const wchar_t* arg = Peek();
    if (arg != nullptr) ++next_;
    return arg;
  }

 private:
  const Arguments& args_;
  size_t next_;
};

// Reads the command's arguments from `in` and gives its action, or returns
// false when they do not fit the command's arguments as the help shows them
// (with a message in `problem` when that alone would not say what is wrong).
using Parser = bool (*)(Cursor& in, Action* action, std::wstring* problem);

// A command without arguments.
template <void (Control::*Operation)()>
bool Plain(Cursor&, Action* action, std::wstring*) {
  *action = [](Control& c) { (c.*Operation)(); };
  return true;
}

// A command with a button, left or right.
template <void (Control::*Operation)(int)>
bool OnButton(Cursor& in, Action* action, std::wstring*) {
  int button = 0;
  if (!ParseButton(in.Take(), false, &button)) return false;
  *action = [button](Control& c) { (c.*Operation)(button); };
  return true;
}

void Print(DWORD which, const std::wstring& text) { simshared::WriteStd(which, text); }

struct Command {
  const wchar_t* name;
  const wchar_t* arguments;
  const wchar_t* description;
  Parser parse;
};

// One line each in the help, in this order; its lines stay within the 79
// columns that a console shows without wrapping.
constexpr Command kCommands[] = {
    {L"attach", L"", L"plug the scanner in", &Plain<&Control::Attach>},
    {L"detach", L"", L"unplug it", &Plain<&Control::Detach>},
    {L"press", L"left|right [READS]", L"the button reads 1 for its next READS (2) reads",
     [](Cursor& in, Action* a, std::wstring*) {
       int button = 0;
       if (!ParseButton(in.Take(), false, &button)) return false;
       long reads = 2;
       if (ParseNumber(in.Peek(), 0, 1000000, &reads)) in.Take();
       *a = [button, reads](Control& c) { c.Press(button, static_cast<int>(reads)); };
       return true;
     }},
    {L"hold", L"left|right", L"the button reads 1 until it is released", &OnButton<&Control::Hold>},
    {L"release", L"left|right", L"let the button go (a pending press too)",
     &OnButton<&Control::Release>},
    {L"jam", L"", L"a card jams: button reads give -1, scans fail", &Plain<&Control::Jam>},
    {L"clear", L"", L"clear the jam and every forced read",
     [](Cursor&, Action* a, std::wstring*) {
       *a = [](Control& c) {
         c.ClearJam();
         c.ClearForced();
       };
       return true;
     }},
    {L"fail", L"left|right|both VALUE", L"the button's reads give VALUE while attached",
     [](Cursor& in, Action* a, std::wstring*) {
       int button = 0;
       short value = 0;
       if (!ParseButton(in.Take(), true, &button) || !ParseReadValue(in.Take(), &value)) {
         return false;
       }
       *a = [button, value](Control& c) { c.ForceRead(button, value); };
       return true;
     }},
    {L"detached-value", L"VALUE", L"what button reads give while unplugged (-2)",
     [](Cursor& in, Action* a, std::wstring*) {
       short value = 0;
       if (!ParseReadValue(in.Take(), &value)) return false;
       *a = [value](Control& c) { c.SetDetachedReadValue(value); };
       return true;
     }},
    {L"calibration", L"show|hide [MS]", L"with or without its window; closed after MS",
     [](Cursor& in, Action* a, std::wstring*) {
       const wchar_t* mode = in.Take();
       if (mode == nullptr || !(Is(mode, L"show") || Is(mode, L"hide"))) return false;
       const bool show = Is(mode, L"show");
       long autoCloseMs = 0;
       if (ParseNumber(in.Peek(), 0, 86400000, &autoCloseMs)) in.Take();
       *a = [show, autoCloseMs](Control& c) {
         c.SetCalibrationWindow(show, static_cast<unsigned>(autoCloseMs));
       };
       return true;
     }},
    {L"close-calibration", L"", L"close an open calibration window",
     &Plain<&Control::CloseCalibrationWindow>},
    {L"insert", L"FILE", L"the card in the scanner is this picture",
     [](Cursor& in, Action* a, std::wstring* problem) {
       const wchar_t* file = in.Take();
       if (file == nullptr) return false;
       wchar_t full[MAX_PATH];
       const DWORD length = GetFullPathNameW(file, MAX_PATH, full, nullptr);
       if (length == 0 || length >= MAX_PATH ||
           GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) {
         *problem = std::wstring(L"no such file: ") + file;
         return false;
       }
       const std::wstring card = full;
       *a = [card](Control& c) { c.InsertCard(card.c_str()); };
       return true;
     }},
    {L"eject", L"", L"the generated business card again",
     [](Cursor&, Action* a, std::wstring*) {
       *a = [](Control& c) { c.InsertCard(nullptr); };
       return true;
     }},
    {L"reset", L"", L"unplugged, nothing held or jammed, log cleared", &Plain<&Control::Reset>},
    {L"clear-log", L"", L"clear the call log", &Plain<&Control::ClearCalls>},
    {L"status", L"", L"print the scanner's state",
     [](Cursor&, Action* a, std::wstring*) {
       *a = [](Control& c) { Print(STD_OUTPUT_HANDLE, scannersim::FormatState(c.GetState())); };
       return true;
     }},
    {L"log", L"", L"print the driver's calls and the scans",
     [](Cursor&, Action* a, std::wstring*) {
       *a = [](Control& c) {
         std::wstring text;
         for (const scannersim::CallRecord& r : c.Calls()) text += scannersim::FormatCall(r);
         for (const scannersim::ScanRecord& r : c.Scans()) text += scannersim::FormatScan(r);
         Print(STD_OUTPUT_HANDLE, text);
       };
       return true;
     }},
};

constexpr const wchar_t* kHelpWords[] = {L"help", L"--help", L"-h", L"/?"};

bool IsHelp(const wchar_t* arg) {
  for (const wchar_t* word : kHelpWords) {
    if (Is(arg, word)) return true;
  }
  return false;
}

// A line per command: its usage, then what it does in a column of its own.
std::wstring Help() {
  std::vector<std::pair<std::wstring, const wchar_t*>> lines;
  for (const Command& command : kCommands) {
    std::wstring usage = command.name;
    if (*command.arguments != L'\0') usage += std::wstring(L" ") + command.arguments;
    lines.emplace_back(usage, command.description);
  }
  std::wstring words;
  for (const wchar_t* word : kHelpWords)
    words += (words.empty() ? L"" : L", ") + std::wstring(word);
  lines.emplace_back(words, L"print this help");
  size_t column = 0;
  for (const auto& line : lines) column = std::max(column, line.first.size());
  std::wstring text =
      L"usage: scannersim [COMMAND [ARGUMENTS]]...\n"
      L"Without a command it shows the control panel; commands run in order.\n";
  for (auto& line : lines) {
    line.first.resize(column + 2, L' ');
    text += L"  " + line.first + line.second + L"\n";
  }
  return text;
}

enum class Parsed { COMMANDS, HELP, MISTAKE };

// Fills `actions`; an error comes with its message in `error`.
Parsed Parse(const Arguments& args, std::vector<Action>* actions, std::wstring* error) {
  Cursor in(args, 1);
  while (const wchar_t* name = in.Take()) {
    if (IsHelp(name)) return Parsed::HELP;
    const Command* found = nullptr;
    for (const Command& command : kCommands) {
      if (Is(name, command.name)) found = &command;
    }
    if (found == nullptr) {
      *error = std::wstring(L"unknown command: ") + name;
      return Parsed::MISTAKE;
    }
    Action action;
    std::wstring problem;
    if (!found->parse(in, &action, &problem)) {
      *error = std::wstring(found->name) + L": " +
               (problem.empty() ? L"expected " + std::wstring(found->arguments) : problem);
      return Parsed::MISTAKE;
    }
    actions->push_back(std::move(action));
  }
  return Parsed::COMMANDS;
}

int RunCommands(const Arguments& args) {
  std::vector<Action> actions;
  std::wstring error;
  switch (Parse(args, &actions, &error)) {
    case Parsed::HELP:
      Print(STD_OUTPUT_HANDLE, Help());
      return 0;
    case Parsed::MISTAKE:
      Print(STD_ERROR_HANDLE, L"scannersim: " + error + L"\n" + Help());
      return 2;
    case Parsed::COMMANDS:
      break;
  }
  Control control;
  if (!control.Open()) {
    Print(STD_ERROR_HANDLE, L"scannersim: cannot open the simulator state\n");
    return static_cast<int>(scannersim::kExitNoState);
  }
  for (const Action& action : actions) action(control);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const Arguments args = simshared::CommandArguments();
  if (args.size() <= 1) return scannersim::RunPanel(instance, show);
  return RunCommands(args);
}
