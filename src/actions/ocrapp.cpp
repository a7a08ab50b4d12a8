#include "actions/ocrapp.h"

#include <windows.h>

#include "config/ocrapplication.h"
#include "framework/cstring.h"
#include "framework/dialog.h"
#include "framework/msgbox.h"
#include "framework/unique_handle.h"
#include "resource.h"
#include "settings/localized.h"
#include "settings/opendialogs.h"

namespace {

struct OcrApplicationTraits {
  using Type = Quillora::IOcrApplication*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type p) {
    p->Release();
    return true;
  }
};
struct BstrTraits {
  using Type = BSTR;
  static Type Invalid() { return nullptr; }
  static bool Close(Type text) {
    SysFreeString(text);
    return true;
  }
};
using OcrApplication = afx::UniqueHandle<OcrApplicationTraits>;
using UniqueBstr = afx::UniqueHandle<BstrTraits>;

// Null, after telling the user, when the companion cannot be reached.
OcrApplication CreateOcrApplication() {
  OcrApplication application;
  const HRESULT result =
      CoCreateInstance(Quillora::kOcrApplicationClsid, nullptr, CLSCTX_ALL,
                       Quillora::kOcrApplicationIid, reinterpret_cast<void**>(application.put()));
  if (result != S_OK) {
    application.reset();
    AfxMessageBox(FormatLocalized(IDS_NOT_INSTALLED, kOcrProductName), MB_OK, 0);
  }
  return application;
}

}  // namespace

std::int32_t SendCardToOcrApplication() {
  const OcrApplication application = CreateOcrApplication();
  if (!application) return 0;
  std::int32_t busy = 0;
  {
    UniqueBstr text;
    application.get()->GetState(text.put(), &busy);
  }
  if (busy == 0) application.get()->ScanCards(Quillora::kOcrBusinessCards, &busy);
  return 0;
}

void OpenOcrScanSettings() {
  CDialog* settings = ProgramDialogs().Find(DialogRole::SETTINGS);
  {
    const OcrApplication application = CreateOcrApplication();
    if (!application) return;
    std::int32_t shown = 1;
    if (settings) settings->ShowWindow(SW_HIDE);
    // The companion's window may take the foreground only with our leave:
    // Windows keeps it behind otherwise.
    co_allow_set_foreground_window(application.get(), nullptr);
    application.get()->ShowScanSettings(Quillora::kOcrBusinessCards, &shown);
  }
  if (settings) {
    settings->ShowWindow(SW_RESTORE);
    settings->UpdateWindow();
  }
}
