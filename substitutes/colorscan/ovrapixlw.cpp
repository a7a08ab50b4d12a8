// The simulated colour-scan library: it scans the card that the simulated
// scanner holds (an inserted picture, or a generated business card) into a
// TIFF, PCX or JPEG file, and records every call in the scanner's call log.
#include <windows.h>

#include <objbase.h>

#include <cwchar>

#include "actions/colorscan_exports.h"
#include "cardimage.h"
#include "simstate.h"

namespace {

enum ScanResult : int {
  SCAN_OK = 0,
  SCAN_NO_SCANNER = 1,  // not attached, or jammed
  SCAN_BAD_ARGUMENT = 2,
  SCAN_NO_CARD_PICTURE = 3,
  SCAN_WRITE_FAILED = 4,
};

// COM for this call only, unless the caller's thread has it already.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

int Scan(const wchar_t* path, int resolution) {
  scannersim::Control* sim = scannersim::Sim();
  wchar_t card[MAX_PATH];
  if (sim == nullptr || !sim->DeviceCardForScan(card)) return SCAN_NO_SCANNER;
  const colorscan::Format format = colorscan::FormatForPath(path);
  if (format == colorscan::FORMAT_NONE || resolution <= 0) return SCAN_BAD_ARGUMENT;
  ComScope com;
  colorscan::Image image;
  const bool scanned = card[0] != L'\0' ? colorscan::LoadCardPicture(card, resolution, &image)
                                        : colorscan::RenderGeneratedCard(resolution, &image);
  if (!scanned) return SCAN_NO_CARD_PICTURE;
  const bool written = format == colorscan::FORMAT_PCX
                           ? colorscan::WritePcx(image, resolution, path)
                           : colorscan::WriteWithCodec(image, resolution, format, path);
  return written ? SCAN_OK : SCAN_WRITE_FAILED;
}

void CopyText(wchar_t* target, size_t capacity, const wchar_t* text) {
  target[0] = L'\0';
  if (text != nullptr) wcsncat(target, text, capacity - 1);
}

}  // namespace

extern "C" {

int __stdcall setui_colorscan(int language) {
  if (scannersim::Control* sim = scannersim::Sim()) sim->DeviceSetScanLanguage(language);
  return 0;
}

int __stdcall color_scanW(const wchar_t* source, int colour, int resolution, int left, int top,
                          int contrast, int autoCrop, int rotation, const wchar_t* path,
                          int quality) {
  scannersim::ScanRecord record = {};
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  record.calledAt = now.QuadPart;
  CopyText(record.source, sizeof(record.source) / sizeof(record.source[0]), source);
  CopyText(record.path, MAX_PATH, path);
  const int ints[scannersim::kScanIntArguments] = {colour,   resolution, left,     top,
                                                   contrast, autoCrop,   rotation, quality};
  for (int i = 0; i < scannersim::kScanIntArguments; ++i) record.ints[i] = ints[i];
  scannersim::Control* sim = scannersim::Sim();
  if (sim != nullptr) sim->DeviceCardForScan(record.card);
  record.result =
      path != nullptr && wcslen(path) < MAX_PATH ? Scan(path, resolution) : SCAN_BAD_ARGUMENT;
  if (sim != nullptr) sim->DeviceLogScan(record);
  return record.result;
}

}  // extern "C"
