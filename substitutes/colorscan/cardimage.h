// The pictures of the simulated colour-scan library: the card in the scanner
// at a resolution, and the three file formats it writes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace colorscan {

// 24-bit pixels, blue-green-red, rows top-down without padding.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgr;
};

enum Format { FORMAT_NONE, FORMAT_TIFF, FORMAT_PCX, FORMAT_JPEG };

// The format that the path's extension names.
Format FormatForPath(const wchar_t* path);

// A business card of 3.5 by 2 inches with readable name, company, phone and
// e-mail lines.
bool RenderGeneratedCard(int dpi, Image* out);
// The picture in `path` (any format the platform's codecs read), scaled to a
// card's width at `dpi`.
bool LoadCardPicture(const wchar_t* path, int dpi, Image* out);

// TIFF and JPEG through the platform's codecs (COM must be initialised).
bool WriteWithCodec(const Image& image, int dpi, Format format, const wchar_t* path);
// ZSoft PCX, version 5, three 8-bit planes, run-length encoded.
bool WritePcx(const Image& image, int dpi, const wchar_t* path);

}  // namespace colorscan
