#include "settings/localized.h"

#include "settings/settings.h"

std::int32_t LanguageStringOffset(std::int16_t languageId) {
  struct Block {
    std::int16_t language;
    std::int32_t offset;
  };
  static constexpr Block kBlocks[] = {
      {2, 1600},  {3, 400},   {4, 600},   {5, 800},   {7, 1800},  {9, 4000},  {10, 200},
      {11, 5000}, {12, 2000}, {17, 3200}, {18, 2200}, {19, 5200}, {20, 3800}, {21, 4600},
      {30, 3600}, {32, 3400}, {34, 4800}, {37, 1000}, {55, 2600}, {56, 1400}, {57, 1200},
  };
  for (const Block& block : kBlocks) {
    if (block.language == languageId) return block.offset;
  }
  return 0;
}

void LoadLocalizedString(CString& text, UINT id) {
  text.Empty();
  const auto language = static_cast<std::int16_t>(AppSettings().Language() & 0xFFFF);
  text.LoadString(id + static_cast<UINT>(LanguageStringOffset(language)));
  if (text.IsEmpty()) text.LoadString(id);
}

CString FormatLocalized(UINT id, const wchar_t* argument) {
  CString format;
  LoadLocalizedString(format, id);
  CString text;
  text.Format(format, argument);
  return text;
}
