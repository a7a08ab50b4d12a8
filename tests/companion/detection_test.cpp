#include <gtest/gtest.h>

#include <string>

#include "app/companion.h"
#include "companion/companion_fixture.h"
#include "support/test_support.h"

namespace {

// quillora.exe beside this test program, as beside the program, while it lives.
class CompanionExe {
 public:
  explicit CompanionExe(const std::wstring& version)
      : path_(testing_support::ExeDir() + L"\\quillora.exe") {
    copied_ = CopyFileW(companion_testing::VersionExe(version).c_str(), path_.c_str(), FALSE);
  }
  ~CompanionExe() { DeleteFileW(path_.c_str()); }
  CompanionExe(const CompanionExe&) = delete;
  CompanionExe& operator=(const CompanionExe&) = delete;
  bool copied() const { return copied_ != FALSE; }

 private:
  std::wstring path_;
  BOOL copied_;
};

TEST(CompanionFileVersion, GivesTheThirdComponentAndStoresMajorAndFourth) {
  CompanionExe exe(L"5.2.12.3");
  ASSERT_TRUE(exe.copied());
  std::int32_t major = -1;
  std::int32_t build = -1;
  EXPECT_EQ(GetCompanionFileVersion(&major, &build), 12);
  EXPECT_EQ(major, 5);
  EXPECT_EQ(build, 3);
  EXPECT_EQ(GetCompanionFileVersion(nullptr, nullptr), 12) << "the pointers are optional";
}

TEST(CompanionFileVersion, WithoutAReadableVersionGivesZeroAndStoresNothing) {
  for (const wchar_t* version : {L"short", L""}) {
    SCOPED_TRACE(testing::Message() << (*version ? "a fixed record of 48 bytes" : "no file"));
    CompanionExe exe(version);
    ASSERT_EQ(exe.copied(), *version != 0);
    std::int32_t major = -1;
    std::int32_t build = -1;
    EXPECT_EQ(GetCompanionFileVersion(&major, &build), 0);
    EXPECT_EQ(major, -1);
    EXPECT_EQ(build, -1);
  }
}

TEST(DetectEdition, TheThirdComponentOfVersionFiveNamesTheEdition) {
  const struct {
    const wchar_t* version;
    std::int32_t edition;
  } cases[] = {
      {L"5.0.1.4", 1},  {L"5.0.2.9", 2}, {L"5.2.12.3", 2}, {L"5.0.3.1", 3},
      {L"5.0.13.8", 3}, {L"5.0.4.2", 0}, {L"6.0.1.5", 0},  {L"short", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.version)));
    CompanionExe exe(c.version);
    ASSERT_TRUE(exe.copied());
    testing_support::DebugRecorder debug;
    EditionId = 0;
    DetectEdition();
    EXPECT_EQ(EditionId, c.edition);
    if (c.edition == 0) {
      ASSERT_EQ(debug.reports.size(), 1u);
      EXPECT_EQ(debug.reports[0].expression, L"0");
    } else {
      EXPECT_TRUE(debug.reports.empty());
    }
  }
  // An edition already detected stays when the version names none.
  CompanionExe exe(L"6.0.1.5");
  EditionId = 2;
  DetectEdition();
  EXPECT_EQ(EditionId, 2);
  EditionId = 0;
}

TEST(LanguageIdFromCode, TheWholeTableInAnyCase) {
  const struct {
    const wchar_t* code;
    std::int32_t id;
  } table[] = {
      {L"frn", 3},  {L"dut", 10}, {L"grm", 2},  {L"itl", 5},  {L"ita", 5},  {L"spn", 4},
      {L"cze", 18}, {L"grk", 17}, {L"trk", 30}, {L"cat", 43}, {L"ara", 58}, {L"fsi", 78},
      {L"mex", 77}, {L"brz", 12}, {L"tch", 57}, {L"sch", 56}, {L"kor", 55}, {L"jap", 37},
      {L"rus", 32}, {L"fin", 29}, {L"pol", 20}, {L"heb", 79}, {L"nrw", 9},  {L"bul", 36},
      {L"cro", 23}, {L"ser", 24}, {L"swd", 7},  {L"dan", 8},  {L"ice", 15}, {L"hun", 19},
      {L"iri", 44}, {L"rom", 21}, {L"lav", 40}, {L"lit", 39}, {L"est", 38}, {L"azl", 163},
      {L"prt", 11}, {L"ukr", 34},
  };
  for (const auto& entry : table) {
    std::wstring upper = entry.code;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    std::wstring mixed = entry.code;
    mixed[1] = upper[1];
    EXPECT_EQ(LanguageIdFromCode(entry.code), entry.id) << testing::PrintToString(upper);
    EXPECT_EQ(LanguageIdFromCode(upper.c_str()), entry.id) << testing::PrintToString(upper);
    EXPECT_EQ(LanguageIdFromCode(mixed.c_str()), entry.id) << testing::PrintToString(mixed);
  }
  for (const wchar_t* other : {L"eng", L"", L"fr", L"frnn", L"frn.x", L"xyz"}) {
    EXPECT_EQ(LanguageIdFromCode(other), 1) << testing::PrintToString(std::wstring(other));
  }
}

}  // namespace
