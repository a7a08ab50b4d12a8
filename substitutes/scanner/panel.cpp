#include "panel.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "framework/unique_handle.h"
#include "report.h"
#include "simstate.h"
#include "window.h"

namespace scannersim {

namespace {

using simshared::AddChild;

constexpr wchar_t kClassName[] = L"Kdv310SimulatorPanel";
constexpr wchar_t kTitle[] = L"Scanner simulator (kdv310)";
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 200;
constexpr size_t kRecentCalls = 8;
constexpr short kFailValue = -2;

enum ControlId : int {
  kIdAttach = 100,
  kIdReset,
  kIdPressLeft,
  kIdPressRight,
  kIdHoldLeft,
  kIdHoldRight,
  kIdJam,
  kIdFail,
  kIdClearLog,
  kIdCloseCalibration,
  kIdInsertCard,
  kIdEjectCard,
  kIdStatus,
};

constexpr int kMargin = 10;
constexpr int kButtonWidth = 210;
constexpr int kButtonHeight = 26;
constexpr int kGap = 6;
constexpr int kButtonRows = 6;
constexpr int kClientWidth = 2 * kButtonWidth + kGap + 2 * kMargin;
constexpr int kStatusTop = kMargin + kButtonRows * (kButtonHeight + kGap) + kGap;
constexpr int kStatusHeight = 320;
constexpr int kClientHeight = kStatusTop + kStatusHeight + kMargin;

HFONT FixedFont() {
  return CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     FIXED_PITCH | FF_MODERN, L"Courier New");
}

struct Panel {
  Control control;
  HFONT buttonFont = nullptr;
  HFONT statusFont = nullptr;
};

void SetTextIfChanged(HWND hwnd, const std::wstring& text) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring current(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(hwnd, &current[0], length + 1);
  current.resize(static_cast<size_t>(length));
  if (current != text) SetWindowTextW(hwnd, text.c_str());
}

// Edit controls break lines only at "\r\n".
std::wstring ForEdit(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 16);
  for (wchar_t c : text) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

void Refresh(HWND hwnd, Panel* panel) {
  const State state = panel->control.GetState();
  const bool anyForced = state.buttons[kLeftButton].forced || state.buttons[kRightButton].forced;
  SetTextIfChanged(GetDlgItem(hwnd, kIdAttach), state.attached ? L"Unplug" : L"Plug in");
  SetTextIfChanged(GetDlgItem(hwnd, kIdHoldLeft),
                   state.buttons[kLeftButton].held ? L"Release left" : L"Hold left");
  SetTextIfChanged(GetDlgItem(hwnd, kIdHoldRight),
                   state.buttons[kRightButton].held ? L"Release right" : L"Hold right");
  SetTextIfChanged(GetDlgItem(hwnd, kIdJam), state.jammed ? L"Clear jam" : L"Jam");
  SetTextIfChanged(GetDlgItem(hwnd, kIdFail),
                   anyForced ? L"Clear failed reads" : L"Fail reads (-2)");
  EnableWindow(GetDlgItem(hwnd, kIdCloseCalibration), state.calibrationOpen ? TRUE : FALSE);

  std::wstring text = FormatState(state);
  text += L"\nrecent calls:\n";
  const uint32_t after = state.callCount > kRecentCalls ? state.callCount - kRecentCalls : 0;
  for (const CallRecord& record : panel->control.CallsSince(after)) text += FormatCall(record);
  SetTextIfChanged(GetDlgItem(hwnd, kIdStatus), ForEdit(text));
}

// A picture of the user's own card goes into the scanner.
void ChooseCard(HWND hwnd, Control& c) {
  wchar_t path[MAX_PATH] = L"";
  static const wchar_t kFilter[] =
      L"Images (*.png;*.jpg;*.jpeg;*.bmp;*.tif;*.tiff;*.gif)\0*.png;*.jpg;*.jpeg;*.bmp;*.tif;"
      L"*.tiff;*.gif\0All files (*.*)\0*.*\0";
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = hwnd;
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = L"Insert card";
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameW(&ofn)) c.InsertCard(path);
}

void OnCommand(HWND hwnd, Panel* panel, int id) {
  Control& c = panel->control;
  const State state = c.GetState();
  switch (id) {
    case kIdAttach:
      if (state.attached) {
        c.Detach();
      } else {
        c.Attach();
      }
      break;
    case kIdReset:
      c.Reset();
      break;
    case kIdPressLeft:
      c.Press(kLeftButton);
      break;
    case kIdPressRight:
      c.Press(kRightButton);
      break;
    case kIdHoldLeft:
    case kIdHoldRight: {
      const int button = id == kIdHoldLeft ? kLeftButton : kRightButton;
      if (state.buttons[button].held) {
        c.Release(button);
      } else {
        c.Hold(button);
      }
      break;
    }
    case kIdJam:
      if (state.jammed) {
        c.ClearJam();
      } else {
        c.Jam();
      }
      break;
    case kIdFail:
      if (state.buttons[kLeftButton].forced || state.buttons[kRightButton].forced) {
        c.ClearForced();
      } else {
        c.ForceRead(kBothButtons, kFailValue);
      }
      break;
    case kIdClearLog:
      c.ClearCalls();
      break;
    case kIdCloseCalibration:
      c.CloseCalibrationWindow();
      break;
    case kIdInsertCard:
      ChooseCard(hwnd, c);
      break;
    case kIdEjectCard:
      c.InsertCard(nullptr);
      break;
    default:
      return;
  }
  Refresh(hwnd, panel);
}

void CreateChildren(HWND hwnd, Panel* panel) {
  struct ButtonLayout {
    int id;
    const wchar_t* text;
  };
  const ButtonLayout buttons[] = {
      {kIdAttach, L"Plug in"},
      {kIdReset, L"Reset"},
      {kIdPressLeft, L"Press left"},
      {kIdPressRight, L"Press right"},
      {kIdHoldLeft, L"Hold left"},
      {kIdHoldRight, L"Hold right"},
      {kIdJam, L"Jam"},
      {kIdFail, L"Fail reads (-2)"},
      {kIdClearLog, L"Clear log"},
      {kIdCloseCalibration, L"Close calibration"},
      {kIdInsertCard, L"Insert card\u2026"},
      {kIdEjectCard, L"Generated card"},
  };
  int index = 0;
  for (const ButtonLayout& item : buttons) {
    const int x = kMargin + (index % 2) * (kButtonWidth + kGap);
    const int y = kMargin + (index / 2) * (kButtonHeight + kGap);
    AddChild(hwnd, L"BUTTON", item.text, BS_PUSHBUTTON | WS_TABSTOP, 0, item.id, x, y, kButtonWidth,
             kButtonHeight, panel->buttonFont);
    ++index;
  }
  AddChild(hwnd, L"EDIT", L"",
           ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
           WS_EX_CLIENTEDGE, kIdStatus, kMargin, kStatusTop, kClientWidth - 2 * kMargin,
           kStatusHeight, panel->statusFont);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Panel* panel = reinterpret_cast<Panel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE:
      panel = static_cast<Panel*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(panel));
      CreateChildren(hwnd, panel);
      Refresh(hwnd, panel);
      SetTimer(hwnd, kRefreshTimer, kRefreshMs, nullptr);
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimer && panel != nullptr) Refresh(hwnd, panel);
      return 0;
    case WM_COMMAND:
      if (panel != nullptr && HIWORD(wParam) == BN_CLICKED) OnCommand(hwnd, panel, LOWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      // Keeps the read-only status area white like an ordinary edit field.
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd, kIdStatus)) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_DESTROY:
      KillTimer(hwnd, kRefreshTimer);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int RunPanel(HINSTANCE instance, int show) {
  Panel panel;
  if (!panel.control.Open()) {
    MessageBoxW(nullptr, L"The simulator state cannot be opened.", kTitle, MB_ICONERROR);
    return 1;
  }
  afx::UniqueGdiObject<HFONT> buttonFont(simshared::CreateMessageFont());
  afx::UniqueGdiObject<HFONT> statusFont(FixedFont());
  panel.buttonFont = buttonFont.get();
  panel.statusFont = statusFont.get();

  simshared::ScopedWindowClass windowClass(kClassName, PanelProc, instance);
  if (!windowClass.registered()) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const DWORD exStyle = WS_EX_TOPMOST;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  HWND hwnd = CreateWindowExW(exStyle, kClassName, kTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, &panel);
  if (hwnd == nullptr) return 1;
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace scannersim
