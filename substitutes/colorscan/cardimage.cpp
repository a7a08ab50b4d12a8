#include "cardimage.h"

#include <wincodec.h>

#include <cstring>
#include <cwchar>
#include <wrl/client.h>

#include "framework/unique_handle.h"

namespace colorscan {

using Microsoft::WRL::ComPtr;

namespace {

constexpr double kCardWidthInches = 3.5;
constexpr double kCardHeightInches = 2.0;
constexpr int kMaxSide = 12000;

struct CardLine {
  const wchar_t* text;
  double top;     // inches from the card's top edge
  double height;  // inches
  int weight;
  COLORREF colour;
};

constexpr CardLine kCardLines[] = {
    {L"Dana Whitfield", 0.30, 0.24, FW_BOLD, RGB(20, 30, 60)},
    {L"Sales Director", 0.60, 0.13, FW_NORMAL, RGB(90, 90, 90)},
    {L"Harbourline Office Supplies Ltd.", 0.86, 0.15, FW_SEMIBOLD, RGB(0, 84, 147)},
    {L"Phone: +44 20 7946 0321", 1.26, 0.13, FW_NORMAL, RGB(30, 30, 30)},
    {L"E-mail: dana.whitfield@harbourline.example", 1.50, 0.13, FW_NORMAL, RGB(30, 30, 30)},
};

bool EndsWith(const wchar_t* path, const wchar_t* extension) {
  const size_t n = wcslen(path);
  const size_t e = wcslen(extension);
  return n >= e && _wcsicmp(path + n - e, extension) == 0;
}

bool CardSize(int dpi, int* width, int* height) {
  if (dpi <= 0) return false;
  *width = static_cast<int>(kCardWidthInches * dpi + 0.5);
  *height = static_cast<int>(kCardHeightInches * dpi + 0.5);
  return *width > 0 && *height > 0 && *width <= kMaxSide && *height <= kMaxSide;
}

ComPtr<IWICImagingFactory> Factory() {
  ComPtr<IWICImagingFactory> factory;
  CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                   IID_PPV_ARGS(factory.GetAddressOf()));
  return factory;
}

}  // namespace

Format FormatForPath(const wchar_t* path) {
  if (path == nullptr) return FORMAT_NONE;
  if (EndsWith(path, L".tif") || EndsWith(path, L".tiff")) return FORMAT_TIFF;
  if (EndsWith(path, L".pcx")) return FORMAT_PCX;
  if (EndsWith(path, L".jpg") || EndsWith(path, L".jpeg")) return FORMAT_JPEG;
  return FORMAT_NONE;
}

bool RenderGeneratedCard(int dpi, Image* out) {
  int width = 0;
  int height = 0;
  if (!CardSize(dpi, &width, &height)) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  afx::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  afx::UniqueGdiObject<HBITMAP> bitmap(
      CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap.get() == nullptr || bits == nullptr) return false;
  HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());

  RECT card = {0, 0, width, height};
  afx::UniqueGdiObject<HBRUSH> paper(CreateSolidBrush(RGB(252, 251, 247)));
  FillRect(dc.get(), &card, paper.get());
  // A coloured band on the left and a thin rule under the company line.
  RECT band = {0, 0, dpi / 8, height};
  afx::UniqueGdiObject<HBRUSH> accent(CreateSolidBrush(RGB(0, 84, 147)));
  FillRect(dc.get(), &band, accent.get());
  RECT rule = {dpi / 4, static_cast<LONG>(1.12 * dpi), width - dpi / 4,
               static_cast<LONG>(1.12 * dpi) + (dpi / 100 > 0 ? dpi / 100 : 1)};
  FillRect(dc.get(), &rule, accent.get());

  SetBkMode(dc.get(), TRANSPARENT);
  for (const CardLine& line : kCardLines) {
    afx::UniqueGdiObject<HFONT> font(
        CreateFontW(-static_cast<int>(line.height * dpi), 0, 0, 0, line.weight, FALSE, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                    VARIABLE_PITCH | FF_SWISS, L"Arial"));
    HGDIOBJ oldFont = SelectObject(dc.get(), font.get());
    SetTextColor(dc.get(), line.colour);
    TextOutW(dc.get(), dpi / 4, static_cast<int>(line.top * dpi), line.text,
             static_cast<int>(wcslen(line.text)));
    SelectObject(dc.get(), oldFont);
  }
  GdiFlush();

  out->width = width;
  out->height = height;
  out->bgr.resize(static_cast<size_t>(width) * height * 3);
  const std::uint8_t* source = static_cast<const std::uint8_t*>(bits);
  std::uint8_t* target = out->bgr.data();
  for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
    std::memcpy(target + i * 3, source + i * 4, 3);
  }
  SelectObject(dc.get(), previous);
  return true;
}

bool LoadCardPicture(const wchar_t* path, int dpi, Image* out) {
  int cardWidth = 0;
  int cardHeight = 0;
  if (!CardSize(dpi, &cardWidth, &cardHeight)) return false;
  ComPtr<IWICImagingFactory> factory = Factory();
  if (!factory) return false;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(
          path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, decoder.GetAddressOf()))) {
    return false;
  }
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.GetAddressOf()))) return false;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return false;
  // The scanner sees the card at its physical width, whatever the picture's size.
  const UINT targetWidth = static_cast<UINT>(cardWidth);
  const UINT targetHeight =
      static_cast<UINT>(static_cast<double>(height) * targetWidth / width + 0.5);
  if (targetHeight == 0 || targetHeight > kMaxSide) return false;
  ComPtr<IWICBitmapScaler> scaler;
  if (FAILED(factory->CreateBitmapScaler(scaler.GetAddressOf())) ||
      FAILED(scaler->Initialize(frame.Get(), targetWidth, targetHeight,
                                WICBitmapInterpolationModeLinear))) {
    return false;
  }
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.GetAddressOf())) ||
      FAILED(converter->Initialize(scaler.Get(), GUID_WICPixelFormat24bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return false;
  }
  out->width = static_cast<int>(targetWidth);
  out->height = static_cast<int>(targetHeight);
  out->bgr.resize(static_cast<size_t>(targetWidth) * targetHeight * 3);
  return SUCCEEDED(converter->CopyPixels(nullptr, targetWidth * 3,
                                         static_cast<UINT>(out->bgr.size()), out->bgr.data()));
}

bool WriteWithCodec(const Image& image, int dpi, Format format, const wchar_t* path) {
  const GUID& container =
      format == FORMAT_TIFF ? GUID_ContainerFormatTiff : GUID_ContainerFormatJpeg;
  ComPtr<IWICImagingFactory> factory = Factory();
  if (!factory) return false;
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.GetAddressOf())) ||
      FAILED(stream->InitializeFromFilename(path, GENERIC_WRITE))) {
    return false;
  }
  ComPtr<IWICBitmapEncoder> encoder;
  if (FAILED(factory->CreateEncoder(container, nullptr, encoder.GetAddressOf())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache))) {
    return false;
  }
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (FAILED(encoder->CreateNewFrame(frame.GetAddressOf(), options.GetAddressOf())) ||
      FAILED(frame->Initialize(options.Get()))) {
    return false;
  }
  WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height))) ||
      FAILED(frame->SetResolution(dpi, dpi)) || FAILED(frame->SetPixelFormat(&pixelFormat)) ||
      pixelFormat != GUID_WICPixelFormat24bppBGR) {
    return false;
  }
  const UINT stride = static_cast<UINT>(image.width) * 3;
  if (FAILED(frame->WritePixels(static_cast<UINT>(image.height), stride,
                                static_cast<UINT>(image.bgr.size()),
                                const_cast<BYTE*>(image.bgr.data())))) {
    return false;
  }
  return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

namespace {

#pragma pack(push, 1)
struct PcxHeader {
  std::uint8_t manufacturer;  // 10
  std::uint8_t version;       // 5: 24-bit capable
  std::uint8_t encoding;      // 1: run-length
  std::uint8_t bitsPerPixel;  // per plane
  std::uint16_t xMin, yMin, xMax, yMax;
  std::uint16_t hDpi, vDpi;
  std::uint8_t palette16[48];
  std::uint8_t reserved;
  std::uint8_t planes;
  std::uint16_t bytesPerLine;  // per plane, even
  std::uint16_t paletteInfo;   // 1: colour
  std::uint16_t hScreen, vScreen;
  std::uint8_t filler[54];
};
#pragma pack(pop)
static_assert(sizeof(PcxHeader) == 128, "the PCX header is 128 bytes");

// Runs of up to 63 equal bytes; a single byte of 0xC0 or more needs a run of one.
void EncodeRun(const std::uint8_t* line, size_t length, std::vector<std::uint8_t>* out) {
  size_t i = 0;
  while (i < length) {
    const std::uint8_t value = line[i];
    size_t run = 1;
    while (i + run < length && run < 63 && line[i + run] == value) ++run;
    if (run > 1 || value >= 0xC0) out->push_back(static_cast<std::uint8_t>(0xC0 | run));
    out->push_back(value);
    i += run;
  }
}

}  // namespace

bool WritePcx(const Image& image, int dpi, const wchar_t* path) {
  if (image.width <= 0 || image.height <= 0 || image.width > 0xFFFF || image.height > 0xFFFF) {
    return false;
  }
  PcxHeader header = {};
  header.manufacturer = 10;
  header.version = 5;
  header.encoding = 1;
  header.bitsPerPixel = 8;
  header.xMax = static_cast<std::uint16_t>(image.width - 1);
  header.yMax = static_cast<std::uint16_t>(image.height - 1);
  header.hDpi = static_cast<std::uint16_t>(dpi);
  header.vDpi = static_cast<std::uint16_t>(dpi);
  header.planes = 3;
  header.bytesPerLine = static_cast<std::uint16_t>((image.width + 1) & ~1);
  header.paletteInfo = 1;

  std::vector<std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(&header),
                                 reinterpret_cast<const std::uint8_t*>(&header) + sizeof(header));
  std::vector<std::uint8_t> plane(header.bytesPerLine, 0);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.bgr.data() + static_cast<size_t>(y) * image.width * 3;
    // Red, green, blue planes in turn, from blue-green-red pixels.
    for (int channel = 2; channel >= 0; --channel) {
      for (int x = 0; x < image.width; ++x) plane[x] = row[x * 3 + channel];
      EncodeRun(plane.data(), plane.size(), &data);
    }
  }

  afx::UniqueFile file(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
         written == data.size();
}

}  // namespace colorscan
