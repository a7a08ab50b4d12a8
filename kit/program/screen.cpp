#include "program/screen.h"

#include "desktop/process.h"
#include "framework/unique_handle.h"
#include "resource.h"

namespace e2e {

namespace {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<DWORD> rows;  // top-down, 0x00RRGGBB
};

BITMAPINFO TopDown(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  return info;
}

// Draws into a 32-bit bitmap of its own and reads the pixels back.
template <typename Draw>
Pixels Render(int width, int height, Draw draw) {
  Pixels pixels;
  const afx::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  BITMAPINFO info = TopDown(width, height);
  void* bits = nullptr;
  const afx::UniqueGdiObject<HBITMAP> bitmap(
      CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc || !bitmap) return pixels;
  const HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());
  draw(dc.get());
  GdiFlush();
  pixels.width = width;
  pixels.height = height;
  const auto* first = static_cast<const DWORD*>(bits);
  pixels.rows.assign(first, first + static_cast<size_t>(width) * height);
  for (DWORD& pixel : pixels.rows) pixel &= 0xFFFFFF;
  SelectObject(dc.get(), previous);
  return pixels;
}

Pixels Capture(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return Pixels();
  HDC screen = GetDC(nullptr);
  Pixels pixels = Render(width, height, [&](HDC dc) {
    BitBlt(dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  });
  ReleaseDC(nullptr, screen);
  return pixels;
}

HICON LoadPicture(HMODULE program, UINT id, int size) {
  return static_cast<HICON>(
      LoadImageW(program, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

std::ostream& operator<<(std::ostream& out, TrayPicture picture) {
  switch (picture) {
    case TrayPicture::NONE:
      return out << "no icon";
    case TrayPicture::NO_SCANNER:
      return out << "no scanner";
    case TrayPicture::ATTACHED:
      return out << "scanner attached";
    case TrayPicture::LOCKED:
      return out << "padlock";
  }
  return out;
}

Tray::Tray(const std::wstring& program) : size_(GetSystemMetrics(SM_CXSMICON)) {
  const afx::UniqueModule file(LoadLibraryExW(
      program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  const struct {
    TrayPicture kind;
    UINT id;
  } kPictures[] = {{TrayPicture::NO_SCANNER, IDI_NO_SCANNER},
                   {TrayPicture::ATTACHED, IDI_SCANNER_ATTACHED},
                   {TrayPicture::LOCKED, IDI_SCANNER_LOCKED}};
  for (const auto& entry : kPictures) {
    const afx::UniqueIcon icon(LoadPicture(file.get(), entry.id, size_));
    if (!icon) continue;
    // A pixel is the picture's own where it comes out the same on black and on white.
    const auto onto = [&](COLORREF background) {
      return Render(size_, size_, [&](HDC dc) {
        const afx::UniqueGdiObject<HBRUSH> brush(CreateSolidBrush(background));
        const RECT all = {0, 0, size_, size_};
        FillRect(dc, &all, brush.get());
        DrawIconEx(dc, 0, 0, icon.get(), size_, size_, 0, nullptr, DI_NORMAL);
      });
    };
    const Pixels black = onto(RGB(0, 0, 0));
    const Pixels white = onto(RGB(255, 255, 255));
    Picture picture{entry.kind, black.rows, {}};
    for (size_t i = 0; i < black.rows.size(); ++i) {
      picture.opaque.push_back(black.rows[i] == white.rows[i]);
    }
    pictures_.push_back(picture);
  }
}

TrayPicture Tray::Read() const { return Find(nullptr); }

bool Tray::Locate(POINT* centre) const { return Find(centre) != TrayPicture::NONE; }

TrayPicture Tray::Find(POINT* centre) const {
  const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  RECT area = {};
  if (tray == nullptr || !GetWindowRect(tray, &area)) return TrayPicture::NONE;
  const Pixels shown = Capture(area);
  for (const Picture& picture : pictures_) {
    for (int top = 0; top + size_ <= shown.height; ++top) {
      for (int left = 0; left + size_ <= shown.width; ++left) {
        bool same = true;
        for (int i = 0; same && i < size_ * size_; ++i) {
          same =
              !picture.opaque[i] ||
              picture.colours[i] ==
                  shown.rows[static_cast<size_t>(top + i / size_) * shown.width + left + i % size_];
        }
        if (!same) continue;
        if (centre) *centre = {area.left + left + size_ / 2, area.top + top + size_ / 2};
        return picture.kind;
      }
    }
  }
  return TrayPicture::NONE;
}

TrayPicture Tray::WaitFor(TrayPicture picture, DWORD ms) const {
  TrayPicture now = TrayPicture::NONE;
  desktop::WaitUntil(
      [&] {
        now = Read();
        return now == picture;
      },
      ms);
  return now;
}

bool SaveScreen(const std::wstring& path) {
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const Pixels pixels = Capture(screen);
  if (pixels.rows.empty()) return false;
  const afx::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return false;
  BITMAPINFOHEADER header = TopDown(pixels.width, pixels.height).bmiHeader;
  const DWORD bytes = static_cast<DWORD>(pixels.rows.size() * sizeof(DWORD));
  BITMAPFILEHEADER fileHeader = {};
  fileHeader.bfType = 0x4D42;  // "BM"
  fileHeader.bfOffBits = sizeof(fileHeader) + sizeof(header);
  fileHeader.bfSize = fileHeader.bfOffBits + bytes;
  DWORD written = 0;
  return WriteFile(file.get(), &fileHeader, sizeof(fileHeader), &written, nullptr) &&
         WriteFile(file.get(), &header, sizeof(header), &written, nullptr) &&
         WriteFile(file.get(), pixels.rows.data(), bytes, &written, nullptr);
}

}  // namespace e2e
