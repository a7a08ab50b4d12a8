#include "report.h"

namespace scannersim {

namespace {

const wchar_t* YesNo(bool value) { return value ? L"yes" : L"no"; }

std::wstring FormatButton(const wchar_t* name, const ButtonState& button) {
  std::wstring line = name;
  line += L": held ";
  line += YesNo(button.held);
  line += L", press reads ";
  line += std::to_wstring(button.pressReadsLeft);
  line += L", forced ";
  line += button.forced ? std::to_wstring(button.forcedValue) : std::wstring(L"none");
  line += L"\n";
  return line;
}

// "   seq  name(", the number right-aligned.
std::wstring CallOpening(uint32_t seq, int32_t call) {
  std::wstring line = std::to_wstring(seq);
  if (line.size() < 6) line.insert(0, 6 - line.size(), L' ');
  line += L"  ";
  line += Control::CallName(call);
  line += L"(";
  return line;
}

}  // namespace

std::wstring FormatState(const State& state) {
  std::wstring text;
  text += L"attached: ";
  text += YesNo(state.attached);
  text += L"\njammed: ";
  text += YesNo(state.jammed);
  text += L"\nscanning: ";
  text += YesNo(state.scanning);
  text += L"\n";
  text += FormatButton(L"left", state.buttons[kLeftButton]);
  text += FormatButton(L"right", state.buttons[kRightButton]);
  text += L"detached reads: ";
  text += std::to_wstring(state.detachedReadValue);
  text += L"\ntimeout: ";
  text += state.timeoutSet ? std::to_wstring(state.lastTimeout) : std::wstring(L"not set");
  text += L"\ncalibration window: ";
  text += state.calibrationShow ? L"shown" : L"hidden";
  text += L", auto-close ";
  text += state.calibrationAutoCloseMs > 0 ? std::to_wstring(state.calibrationAutoCloseMs) + L" ms"
                                           : std::wstring(L"off");
  text += L", open ";
  text += YesNo(state.calibrationOpen);
  text += L"\ncard: ";
  text += state.card[0] != L'\0' ? state.card : L"(generated business card)";
  text += L"\ncalls: ";
  text += std::to_wstring(state.callCount);
  text += L"\n";
  return text;
}

std::wstring FormatCall(const CallRecord& record) {
  std::wstring line = CallOpening(record.seq, record.call);
  switch (record.call) {
    case CALL_IS_BUTTON_PRESSED:
    case CALL_SET_TIMEOUT:
    case CALL_FORWARD_STEP_MOTOR:
    case CALL_SETUI_COLORSCAN:
      line += std::to_wstring(record.arg1);
      break;
    case CALL_DOCALIBRATE_LANG:
      line += std::to_wstring(record.arg1) + L", " + std::to_wstring(record.arg2);
      break;
    default:
      break;
  }
  line += L") -> ";
  line += record.result == kResultPending ? std::wstring(L"(window open)")
                                          : std::to_wstring(record.result);
  line += L"\n";
  return line;
}

std::wstring FormatScan(const ScanRecord& scan) {
  std::wstring line = CallOpening(scan.seq, CALL_COLOR_SCAN);
  line += L"\"";
  line += scan.source;
  line += L"\"";
  for (int i = 0; i < kScanIntArguments - 1; ++i) line += L", " + std::to_wstring(scan.ints[i]);
  line += L", \"";
  line += scan.path;
  line += L"\", " + std::to_wstring(scan.ints[kScanIntArguments - 1]) + L") -> ";
  line += std::to_wstring(scan.result);
  line += L"  [language " + std::to_wstring(scan.language) + L", card ";
  line += scan.card[0] != L'\0' ? scan.card : L"generated";
  line += L"]\n";
  return line;
}

}  // namespace scannersim
