#include <objbase.h>
#include <wincodec.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <wrl/client.h>

#include "actions/actions_fixture.h"
#include "actions/colorscan_exports.h"

namespace actions_testing {

namespace {

using Microsoft::WRL::ComPtr;

struct Decoded {
  GUID container = {};
  UINT width = 0;
  UINT height = 0;
  double dpiX = 0;
  std::vector<std::uint8_t> bgr;  // 24-bit, rows top-down
};

bool Decode(const std::wstring& path, Decoded* out) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.GetAddressOf())))) {
    return false;
  }
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  double dpiY = 0;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand,
                                                decoder.GetAddressOf())) ||
      FAILED(decoder->GetContainerFormat(&out->container)) ||
      FAILED(decoder->GetFrame(0, frame.GetAddressOf())) ||
      FAILED(frame->GetSize(&out->width, &out->height)) ||
      FAILED(frame->GetResolution(&out->dpiX, &dpiY)) ||
      FAILED(factory->CreateFormatConverter(converter.GetAddressOf())) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return false;
  }
  out->bgr.resize(static_cast<size_t>(out->width) * out->height * 3);
  return SUCCEEDED(converter->CopyPixels(nullptr, out->width * 3,
                                         static_cast<UINT>(out->bgr.size()), out->bgr.data()));
}

// A ZSoft PCX file read back: header fields and the run-length decoded planes.
bool DecodePcx(const std::wstring& path, Decoded* out) {
  std::ifstream file(path.c_str(), std::ios::binary);
  const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>());
  if (data.size() < 128 || data[0] != 10 || data[2] != 1 || data[3] != 8 || data[65] != 3) {
    return false;
  }
  auto word = [&](size_t at) { return static_cast<unsigned>(data[at] | (data[at + 1] << 8)); };
  out->width = word(8) - word(4) + 1;
  out->height = word(10) - word(6) + 1;
  out->dpiX = word(12);
  const unsigned bytesPerLine = word(66);
  if (bytesPerLine < out->width || bytesPerLine % 2 != 0) return false;
  std::vector<std::uint8_t> planes;
  for (size_t i = 128; i < data.size();) {
    const std::uint8_t b = data[i++];
    if ((b & 0xC0) == 0xC0) {
      if (i >= data.size()) return false;
      planes.insert(planes.end(), b & 0x3F, data[i++]);
    } else {
      planes.push_back(b);
    }
  }
  if (planes.size() != static_cast<size_t>(bytesPerLine) * 3 * out->height) return false;
  out->bgr.resize(static_cast<size_t>(out->width) * out->height * 3);
  for (UINT y = 0; y < out->height; ++y) {
    for (UINT x = 0; x < out->width; ++x) {
      for (int plane = 0; plane < 3; ++plane) {  // red, green, blue
        out->bgr[(static_cast<size_t>(y) * out->width + x) * 3 + (2 - plane)] =
            planes[(static_cast<size_t>(y) * 3 + plane) * bytesPerLine + x];
      }
    }
  }
  return true;
}

// Pixels much darker than the paper: the printed lines.
size_t DarkPixels(const Decoded& image) {
  size_t dark = 0;
  for (size_t i = 0; i + 2 < image.bgr.size(); i += 3) {
    dark += image.bgr[i] + image.bgr[i + 1] + image.bgr[i + 2] < 200;
  }
  return dark;
}

void Pixel(const Decoded& image, UINT x, UINT y, int* b, int* g, int* r) {
  const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
  *b = image.bgr[at];
  *g = image.bgr[at + 1];
  *r = image.bgr[at + 2];
}

// A picture of the user's own card: red with a blue right half.
bool WritePng(const std::wstring& path, UINT width, UINT height) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.GetAddressOf()))) ||
      FAILED(factory->CreateStream(stream.GetAddressOf())) ||
      FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.GetAddressOf(), nullptr)) ||
      FAILED(frame->Initialize(nullptr)) || FAILED(frame->SetSize(width, height))) {
    return false;
  }
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat24bppBGR) return false;
  std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 3);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      BYTE* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
      const bool right = x >= width / 2;
      p[0] = right ? 200 : 0;
      p[1] = 0;
      p[2] = right ? 0 : 200;
    }
  }
  return SUCCEEDED(frame->WritePixels(height, width * 3, static_cast<UINT>(pixels.size()),
                                      pixels.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

class ColorScanTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    if (SUCCEEDED(com_)) CoUninitialize();
    ActionsTest::TearDown();
  }
  int Scan(const std::wstring& path) {
    DeleteFileW(path.c_str());
    return color_scanW(L"twaino73", 1, 400, 0, 0, 20, 1, 0, path.c_str(), 3);
  }

 private:
  HRESULT com_ = E_FAIL;
};

}  // namespace

TEST_F(ColorScanTest, TheGeneratedCardIsWrittenInTheFormatOfTheExtension) {
  struct Case {
    const wchar_t* name;
    const GUID* container;  // null: PCX
  };
  const Case cases[] = {{L"card.tif", &GUID_ContainerFormatTiff},
                        {L"card.TIFF", &GUID_ContainerFormatTiff},
                        {L"card.jpg", &GUID_ContainerFormatJpeg},
                        {L"card.jpeg", &GUID_ContainerFormatJpeg},
                        {L"card.pcx", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
    const std::wstring path = InFolder(c.name);
    ASSERT_EQ(Scan(path), 0);
    Decoded image;
    if (c.container != nullptr) {
      ASSERT_TRUE(Decode(path, &image));
      EXPECT_EQ(image.container, *c.container);
    } else {
      ASSERT_TRUE(DecodePcx(path, &image));
    }
    // 3.5 by 2 inches at 400 dpi.
    EXPECT_EQ(image.width, 1400u);
    EXPECT_EQ(image.height, 800u);
    EXPECT_NEAR(image.dpiX, 400.0, 0.5);
    // Paper in the corner, and printed lines on it.
    int b = 0, g = 0, r = 0;
    Pixel(image, image.width - 5, 5, &b, &g, &r);
    EXPECT_GT(b + g + r, 3 * 220);
    EXPECT_GT(DarkPixels(image), 2000u);
  }
}

TEST_F(ColorScanTest, AnInsertedPictureIsScannedAtTheCardsWidth) {
  const std::wstring picture = InFolder(L"own-card.png");
  ASSERT_TRUE(WritePng(picture, 700, 400));
  ASSERT_TRUE(sim.InsertCard(picture.c_str()));
  const std::wstring path = InFolder(L"own.tif");
  LARGE_INTEGER before, after;
  QueryPerformanceCounter(&before);
  ASSERT_EQ(Scan(path), 0);
  QueryPerformanceCounter(&after);
  Decoded image;
  ASSERT_TRUE(Decode(path, &image));
  EXPECT_EQ(image.width, 1400u);
  EXPECT_EQ(image.height, 800u);
  int b = 0, g = 0, r = 0;
  Pixel(image, 200, 400, &b, &g, &r);
  EXPECT_GT(r, 150);
  EXPECT_LT(b, 50);
  Pixel(image, 1200, 400, &b, &g, &r);
  EXPECT_GT(b, 150);
  EXPECT_LT(r, 50);
  const auto scans = Scans();
  ASSERT_EQ(scans.size(), 1u);
  EXPECT_EQ(std::wstring(scans[0].card), picture);
  EXPECT_GE(scans[0].calledAt, before.QuadPart);
  EXPECT_LE(scans[0].calledAt, after.QuadPart);
}

TEST_F(ColorScanTest, NoScannerOrNoKnownFormatWritesNothing) {
  sim.Detach();
  const std::wstring path = InFolder(L"detached.jpg");
  EXPECT_NE(Scan(path), 0);
  EXPECT_FALSE(Exists(path));
  sim.Attach();
  sim.Jam();
  EXPECT_NE(Scan(path), 0);
  EXPECT_FALSE(Exists(path));
  sim.ClearJam();
  const std::wstring bmp = InFolder(L"card.bmp");
  EXPECT_NE(Scan(bmp), 0);
  EXPECT_FALSE(Exists(bmp));
  ASSERT_TRUE(sim.InsertCard(InFolder(L"no-such-picture.png").c_str()));
  EXPECT_NE(Scan(path), 0);
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(Scans().size(), 4u) << "every call is recorded";
}

}  // namespace actions_testing
