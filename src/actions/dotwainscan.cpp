#include "actions/dotwainscan.h"

#include <commdlg.h>

#include <cwchar>

#include "actions/colorscan_exports.h"
#include "actions/ocrapp.h"
#include "framework/cstring.h"
#include "framework/msgbox.h"
#include "framework/winapp.h"
#include "framework/wnd.h"
#include "resource.h"
#include "settings/localized.h"
#include "settings/settings.h"

static_assert(sizeof(OPENFILENAMEW) == (sizeof(void*) == 4 ? 88 : 152),
              "the platform's full OPENFILENAMEW");

namespace {

constexpr wchar_t kFileTypeFilter[] =
    L"TIFF (*.tif)|*.tif;*.tiff|Zsoft Paintbrush (*.pcx)|*.pcx|JPEG (*.jpg)|*.jpg;*.jpeg|";
constexpr wchar_t kDefaultExtension[] = L"jpg";
constexpr DWORD kSaveFlags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;  // 0x80006
static_assert(kSaveFlags == 0x80006, "Save-as flags");

// What a file looked like at one moment; a scan that wrote the file changes
// it, whatever the library's result says.
struct FileStamp {
  bool exists = false;
  ULARGE_INTEGER size = {};
  FILETIME written = {};

  static FileStamp Of(const wchar_t* path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path, GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      stamp.exists = true;
      stamp.size.LowPart = data.nFileSizeLow;
      stamp.size.HighPart = data.nFileSizeHigh;
      stamp.written = data.ftLastWriteTime;
    }
    return stamp;
  }
  bool IsNewImageAfter(const FileStamp& before) const {
    if (!exists || size.QuadPart == 0) return false;
    return !before.exists || size.QuadPart != before.size.QuadPart ||
           CompareFileTime(&written, &before.written) != 0;
  }
};

}  // namespace

bool dotwainscan::ColourScanLibraryReady() {
  HMODULE library = GetModuleHandleW(colour_scan_library);
  const bool loadedHere = library == nullptr;
  if (loadedHere) library = LoadLibraryW(colour_scan_library);
  if (library == nullptr) return false;
  const bool complete = GetProcAddress(library, "setui_colorscan") != nullptr &&
                        GetProcAddress(library, "color_scanW") != nullptr;
  if (!complete && loadedHere) FreeLibrary(library);
  return complete;
}

// The arguments are the same for every scan; the file format follows the
// path's extension. The library's result is not read: the file decides.
namespace {
struct ScanArguments {
  const wchar_t* source;
  int colour, resolution, left, top, contrast, autoCrop, rotation, quality;
};
constexpr ScanArguments kScan = {
    L"twaino73",     /*colour=*/1,   /*resolution=*/400, /*left=*/0,   /*top=*/0,
    /*contrast=*/20, /*autoCrop=*/1, /*rotation=*/0,     /*quality=*/3};
}  // namespace

bool dotwainscan::ScanCard(const wchar_t* path) {
  if (!ColourScanLibraryReady()) return false;
  const FileStamp before = FileStamp::Of(path);
  setui_colorscan(AppSettings().Language());
  color_scanW(kScan.source, kScan.colour, kScan.resolution, kScan.left, kScan.top, kScan.contrast,
              kScan.autoCrop, kScan.rotation, path, kScan.quality);
  return FileStamp::Of(path).IsNewImageAfter(before);
}

void dotwainscan::TellUser(UINT id, UINT icon, const wchar_t* detail) {
  CString text;
  if (detail) {
    text = FormatLocalized(id, detail);
  } else {
    LoadLocalizedString(text, id);
  }
  // The frame is hidden: a topmost box is still seen when Windows keeps a
  // background program from taking the foreground.
  CWnd* main = AfxGetMainWnd();
  AfxMessageBox(main ? main->m_hWnd : nullptr, text, AfxGetAppName(),
                MB_OK | icon | MB_TOPMOST | MB_SETFOREGROUND);
}

std::int32_t dotwainscan::DoLeftButtonAction() {
  switch (AppSettings().button_left_action) {
    case DESTINATION_FILE:
      return ScanToFile();
    case DESTINATION_EMAIL:
      return ScanToEmail();
    default:
      return -1;
  }
}

std::int32_t dotwainscan::ScanToFile() {
  // Told before the Save-as dialog, so that nobody names a file for nothing.
  if (!ColourScanLibraryReady()) {
    TellUser(IDS_NO_SCANNER_SOFTWARE, MB_ICONWARNING, colour_scan_library);
    return 0;
  }
  wchar_t path[kPathLength] = L"";
  const std::int32_t result = AskSaveFileName(GetFocus(), path);
  if (result < 0) return result;
  if (!ScanCard(path)) TellUser(IDS_NO_IMAGE, MB_ICONWARNING);
  return 0;
}

std::int32_t dotwainscan::AskSaveFileName(HWND owner, wchar_t* path) {
  path[0] = L'\0';
  CString title;
  LoadLocalizedString(title, IDS_SAVE_GRAPHICS);

  // The template's last character is its separator; NUL in its place gives
  // the platform's list of pairs with the extra NUL at the end.
  wchar_t filter[sizeof(kFileTypeFilter) / sizeof(wchar_t)];
  wcscpy(filter, kFileTypeFilter);
  const size_t length = wcslen(filter);
  const wchar_t separator = filter[length - 1];
  for (size_t i = 0; i < length; ++i) {
    if (filter[i] == separator) filter[i] = L'\0';
  }

  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = static_cast<DWORD>(AppSettings().format_ext_file);
  ofn.lpstrFile = path;
  ofn.nMaxFile = kPathLength;
  ofn.lpstrTitle = title;
  ofn.Flags = kSaveFlags;
  ofn.lpstrDefExt = kDefaultExtension;
  if (!GetSaveFileNameW(&ofn)) return -1;
  AppSettings().format_ext_file = static_cast<std::int32_t>(ofn.nFilterIndex);
  return 0;
}

std::int32_t dotwainscan::DoRightButtonAction() { return SendCardToOcrApplication(); }
