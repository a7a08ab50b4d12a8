#include "framework/cstring.h"

#include <gtest/gtest.h>

#include "resource.h"

namespace {

CString Formatted(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  CString text;
  text.FormatV(format, args);
  va_end(args);
  return text;
}

TEST(CStringFormat, PercentSTakesAWideString) {
  EXPECT_EQ(Formatted(L"%s button manager", L"CORVANTE").str(), L"CORVANTE button manager");
  EXPECT_EQ(Formatted(L"-%s-%s", L"DOMAIN", L"user").str(), L"-DOMAIN-user");
  EXPECT_EQ(Formatted(L"%sボタンマネージャ", L"CORVANTE").str(), L"CORVANTEボタンマネージャ");
}

TEST(CStringFormat, NarrowAndExplicitWideStrings) {
  EXPECT_EQ(Formatted(L"[%hs|%ls|%S]", "narrow", L"wide", "upper").str(), L"[narrow|wide|upper]");
}

TEST(CStringFormat, WidthPrecisionAndNumbers) {
  EXPECT_EQ(Formatted(L"-%08x%08x", 0u, 0x3e7u).str(), L"-00000000000003e7");
  EXPECT_EQ(Formatted(L"%d|%5d|%-5d|%u", -7, 42, 42, 4000000000u).str(),
            L"-7|   42|42   |4000000000");
  EXPECT_EQ(Formatted(L"[%6s][%-6s][%.2s]", L"ab", L"ab", L"abcdef").str(),
            L"[    ab][ab    ][ab]");
  EXPECT_EQ(Formatted(L"100%% %c%X", L'x', 255).str(), L"100% xFF");
  EXPECT_EQ(Formatted(L"%I64d", 1234567890123LL).str(), L"1234567890123");
}

TEST(CStringFormat, PointersAndPointerSizedIntegersKeepTheirWidth) {
  void* low = reinterpret_cast<void*>(static_cast<UINT_PTR>(0x1234));
  const size_t size = static_cast<size_t>(-1);
#ifdef _WIN64
  void* high = reinterpret_cast<void*>(static_cast<UINT_PTR>(0x123456789ABCull));
  EXPECT_EQ(Formatted(L"%p|%p", low, high).str(), L"0000000000001234|0000123456789ABC");
  EXPECT_EQ(Formatted(L"%Iu|%Ix|%d", size, size, 7).str(),
            L"18446744073709551615|ffffffffffffffff|7");
#else
  EXPECT_EQ(Formatted(L"%p", low).str(), L"00001234");
  EXPECT_EQ(Formatted(L"%Iu|%Ix|%d", size, size, 7).str(), L"4294967295|ffffffff|7");
#endif
  EXPECT_EQ(Formatted(L"%I32u|%I64x", 4000000000u, 0x1FFFFFFFFll).str(), L"4000000000|1ffffffff");
}

TEST(CStringFormat, TextWithoutConversionsIsCopied) {
  EXPECT_EQ(Formatted(L"Button 0 pressed\n").str(), L"Button 0 pressed\n");
  EXPECT_EQ(Formatted(L"").str(), L"");
}

TEST(CStringLoad, LoadsAStringResourceOrLeavesTheTextAlone) {
  CString text(L"before");
  EXPECT_TRUE(text.LoadString(AFX_IDS_APP_TITLE));
  EXPECT_EQ(text.str(), L"ORMIK310");
  text = L"kept";
  EXPECT_FALSE(text.LoadString(123));
  EXPECT_EQ(text.str(), L"kept");
}

}  // namespace
