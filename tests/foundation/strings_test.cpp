#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/myapp.h"
#include "resource.h"
#include "settings/localized.h"

namespace {

struct Block {
  std::int32_t language;
  std::int32_t offset;
  const char* name;
};

// Every block of the table with the language that selects it.
constexpr Block kBlocks[] = {
    {1, 0, "English"},
    {10, 200, "Dutch"},
    {3, 400, "French"},
    {4, 600, "Spanish"},
    {5, 800, "Italian"},
    {37, 1000, "Japanese"},
    {57, 1200, "Chinese (Traditional)"},
    {56, 1400, "Chinese (Simplified)"},
    {2, 1600, "German"},
    {12, 2000, "Portuguese (Brazil)"},
    {18, 2200, "Czech"},
    {55, 2600, "Korean"},
    {17, 3200, "Greek"},
    {32, 3400, "Russian"},
    {30, 3600, "Turkish"},
    {20, 3800, "Polish"},
    {9, 4000, "Norwegian"},
    {21, 4600, "Romanian"},
    {34, 4800, "Ukrainian"},
    {11, 5000, "Portuguese"},
    {19, 5200, "Hungarian"},
};

std::wstring Raw(UINT id) {
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

bool Exists(UINT id) {
  const wchar_t* text = nullptr;
  return LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0) > 0;
}

class LocalizedStrings : public testing::Test {
 protected:
  void TearDown() override { AppSettings().SetLanguage(0); }
  static std::wstring Load(std::int32_t language, UINT id) {
    AppSettings().SetLanguage(language);
    CString text(L"stale");
    LoadLocalizedString(text, id);
    return text.str();
  }
};

TEST_F(LocalizedStrings, EveryBlockHoldsTheSameThirtySixEntries) {
  for (const Block& block : kBlocks) {
    SCOPED_TRACE(block.name);
    EXPECT_EQ(LanguageStringOffset(static_cast<std::int16_t>(block.language)), block.offset);
    int translated = 0;
    for (UINT n = 101; n <= 139; ++n) {
      const UINT id = n + static_cast<UINT>(block.offset);
      if (n == 123) {
        EXPECT_FALSE(Exists(id)) << id;
        continue;
      }
      const std::wstring text = Raw(id);
      ASSERT_FALSE(text.empty()) << "entry " << id << " is missing";
      const size_t percent = text.find(L'%');
      if (n == 111 || n == 113 || n == 117 || n == 118 || (n >= 133 && n <= 136) || n >= 138) {
        ASSERT_NE(percent, std::wstring::npos) << id;
        EXPECT_EQ(text.compare(percent, 2, L"%s"), 0) << id;
        EXPECT_EQ(text.find(L'%', percent + 1), std::wstring::npos) << id;
      } else {
        EXPECT_EQ(percent, std::wstring::npos) << id;
      }
      translated += text != Raw(n);
    }
    if (block.offset != 0) {
      EXPECT_GE(translated, 31) << "most entries differ from English";
    }
    EXPECT_NE(Raw(block.offset + 103), Raw(block.offset + 104));
  }
}

TEST_F(LocalizedStrings, TellingRowsStandAsWritten) {
  EXPECT_EQ(Load(3, IDS_BUTTON_MANAGER), L"Gestionnaire de boutons %s");
  EXPECT_EQ(Load(2, IDS_BUTTON_MANAGER), L"%s Schaltfl\u00e4chen-Manager");
  EXPECT_EQ(Load(37, IDS_BUTTON_MANAGER), L"%s\u30dc\u30bf\u30f3\u30de\u30cd\u30fc\u30b8\u30e3");
  EXPECT_EQ(Load(30, IDS_SEND_TO), L"%s\u2019e g\u00f6nder");
  EXPECT_EQ(Load(19, IDS_SEND_TO), L"K\u00fcld\u00e9s a k\u00f6vetkez\u0151nek: %s");
  EXPECT_EQ(Load(11, IDS_SETTINGS), L"&Defini\u00e7\u00f5es");
  EXPECT_EQ(Load(10, IDS_EMAIL), L"E-mail");
  EXPECT_EQ(Load(10, IDS_FILE), L"Bestand");
}

TEST_F(LocalizedStrings, EnglishTexts) {
  EXPECT_EQ(Load(0, IDS_BUTTON_MANAGER), L"%s button manager");
  EXPECT_EQ(Load(0, IDS_TOOLTIP), L"Double-click the icon to activate the %s button manager");
  EXPECT_EQ(Load(1, IDS_NOT_INSTALLED), L"Error: %s not correctly installed");
  EXPECT_EQ(Load(1, IDS_SAVE_GRAPHICS), L"Save Graphics...");
  EXPECT_EQ(Raw(AFX_IDS_APP_TITLE), L"ORMIK310");
}

TEST_F(LocalizedStrings, LanguagesWithoutABlockFallBackToEnglish) {
  for (std::int32_t language : {0, 1, 7, 43, 163, -1}) {
    SCOPED_TRACE(language);
    for (UINT id = 101; id <= 130; ++id) {
      if (id == 123) continue;
      EXPECT_EQ(Load(language, id), Raw(id)) << id;
    }
  }
  // Swedish has a row in the table but no block.
  EXPECT_EQ(LanguageStringOffset(7), 1800);
  EXPECT_FALSE(Exists(1901));
}

TEST_F(LocalizedStrings, OnlyTheLowSixteenBitsOfTheLanguageCount) {
  EXPECT_EQ(Load(0x10003, IDS_BUTTON_MANAGER), L"Gestionnaire de boutons %s");
  EXPECT_EQ(Load(0x10000, IDS_BUTTON_MANAGER), L"%s button manager");
}

TEST_F(LocalizedStrings, AnIdMissingEverywhereGivesAnEmptyText) {
  for (std::int32_t language : {0, 3, 37}) EXPECT_EQ(Load(language, 123), L"") << language;
}

TEST_F(LocalizedStrings, EveryLanguageWithoutARowGetsOffsetZero) {
  const std::set<int> listed = {2,  3,  4,  5,  7,  9,  10, 11, 12, 17, 18,
                                19, 20, 21, 30, 32, 34, 37, 55, 56, 57};
  for (int language = -5; language < 300; ++language) {
    if (listed.count(language)) continue;
    EXPECT_EQ(LanguageStringOffset(static_cast<std::int16_t>(language)), 0) << language;
  }
}

TEST_F(LocalizedStrings, FormattedCaptionInFrench) {
  CString format;
  AppSettings().SetLanguage(3);
  LoadLocalizedString(format, IDS_BUTTON_MANAGER);
  CString caption;
  caption.Format(format, kScannerProductName);
  EXPECT_EQ(caption.str(), L"Gestionnaire de boutons CORVANTE");
}

}  // namespace
