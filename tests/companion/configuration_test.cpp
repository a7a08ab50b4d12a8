#include "config/configuration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "companion/companion_fixture.h"
#include "framework/modulepath.h"
#include "support/test_support.h"

namespace {

using companion_testing::ScratchDir;
using companion_testing::WriteRaw;
using companion_testing::WriteString;
using Quillora::Configuration;

// An edition that detection never produces, so nothing else uses its tree.
constexpr wchar_t kRoot[] = L"Software\\M.E.R.O.\\Quillora LE 5";
constexpr wchar_t kSettings[] = L"Software\\M.E.R.O.\\Quillora LE 5\\Settings";

class ConfigurationTest : public testing::Test {
 protected:
  void SetUp() override { testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kRoot); }
  void TearDown() override { testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kRoot); }

  // The companion installed in the scratch folder, in `languageName`'s language.
  void Install(const std::wstring& languageName) {
    WriteString(kRoot, L"ApplicationPath", install_.path());
    WriteString(kSettings, L"lngRCUname", languageName);
  }
  std::vector<std::wstring> Reports() const {
    std::vector<std::wstring> texts;
    for (const auto& report : debug_.reports) {
      EXPECT_EQ(report.unit, L"configuration.cpp");
      texts.push_back(report.expression);
    }
    return texts;
  }
  std::wstring Dir() const { return install_.path() + L"\\"; }

  testing_support::DebugRecorder debug_;
  ScratchDir install_{L"quillora-config"};
};

TEST_F(ConfigurationTest, InstanceKeepsTheEditionOfItsFirstCall) {
  Configuration& first = Configuration::Instance(Configuration::PRO);
  Configuration& second = Configuration::Instance(Configuration::CORPORATE_CRM);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(second.GetRootKey(), L"Software\\M.E.R.O.\\Quillora Pro 5");
  EXPECT_EQ(second.GetEditionName(), L"Quillora Pro 5");
}

TEST_F(ConfigurationTest, EditionNamesAndRootKeys) {
  const struct {
    Configuration::EditionType edition;
    const wchar_t* root;
  } cases[] = {
      {Configuration::UNSPECIFIED_EDITIONTYPE, L"Software\\M.E.R.O.\\"},
      {Configuration::MINI, L"Software\\M.E.R.O.\\Quillora Mini 5"},
      {Configuration::CORPORATE_CRM, L"Software\\M.E.R.O.\\Quillora Corporate 5 for Orvalis CRM"},
      {Configuration::LE, kRoot},
  };
  for (const auto& c : cases) {
    Configuration configuration(c.edition);
    EXPECT_EQ(configuration.GetRootKey(), c.root);
  }
  EXPECT_TRUE(Reports().empty()) << "edition 0 is no failure";

  Configuration beyond(Configuration::MAX_EDITIONTYPE);
  EXPECT_EQ(beyond.GetEditionName(), L"");
  EXPECT_EQ(Reports(), std::vector<std::wstring>{L"MAX_EDITIONTYPE != edition_"});
}

TEST_F(ConfigurationTest, WithoutTheRootKeyItFallsBackToTheProgramsFolderAndEnglish) {
  Configuration configuration(Configuration::LE);
  EXPECT_EQ(configuration.GetLanguage(Configuration::BUTTON_MANAGER), L"eng");
  EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), L"eng");
  EXPECT_EQ(configuration.GetRootDir(), testing_support::ExeDir() + L"\\");
  EXPECT_EQ(configuration.GetFileName(Configuration::EXE),
            testing_support::ExeDir() + L"\\quillora.exe");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ConfigurationTest, WithoutTheSettingsKeyTheLanguageIsEnglish) {
  WriteString(kRoot, L"ApplicationPath", install_.path());
  Configuration configuration(Configuration::LE);
  EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), L"eng");
  EXPECT_EQ(configuration.GetRootDir(), Dir()) << "a backslash is appended";
  EXPECT_EQ(configuration.GetFileName(Configuration::EXE), Dir() + L"quillora.exe")
      << "named whether or not it exists";

  WriteString(kRoot, L"ApplicationPath", Dir());
  configuration.Reset();
  configuration.GetLanguage(Configuration::EXE);
  EXPECT_EQ(configuration.GetRootDir(), Dir()) << "a trailing backslash is kept, not doubled";
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ConfigurationTest, TheLanguageCodeLiesBetweenTheLastUnderscoreAndTheLastDot) {
  const struct {
    const wchar_t* value;
    const wchar_t* exe;
    const wchar_t* own;
  } cases[] = {
      {L"abc_frn.dll", L"frn", L"frn"},
      {L"x_y_grm.dll", L"grm", L"grm"},
      {L"frn.dll", L"frn", L"frn"},
      {L"ab_frn.x.dll", L"frn.x", L"eng"},
      {L"qlr_ita.dll", L"ita", L"eng"},
      {L"qlr_grk.dll", L"grk", L"eng"},
      {L"qlr_FRN.dll", L"FRN", L"eng"},
      {L"qlr_trk.dll", L"trk", L"trk"},
      {L"qlr_itl.dll", L"itl", L"itl"},
      // No "." after the last "_": the rest is the code.
      {L"qlr_jap", L"jap", L"jap"},
      {L"a.b_kor", L"kor", L"kor"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "lngRCUname " << testing::PrintToString(std::wstring(c.value)));
    Install(c.value);
    Configuration configuration(Configuration::LE);
    EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), c.exe);
    EXPECT_EQ(configuration.GetLanguage(Configuration::BUTTON_MANAGER), c.own);
  }
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ConfigurationTest, AnEmptyCodeIsReportedAndThisProgramTakesEnglish) {
  Install(L"abc_.dll");
  Configuration configuration(Configuration::LE);
  EXPECT_EQ(configuration.GetLanguage(Configuration::BUTTON_MANAGER), L"eng");
  EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), L"");
  const auto reports = Reports();
  ASSERT_FALSE(reports.empty());
  for (const auto& text : reports) EXPECT_EQ(text, L"!lngs_[ EXE ].empty()");
}

TEST_F(ConfigurationTest, DocumentLanguagesFollowWhatIsOnDisk) {
  const struct {
    const wchar_t* code;
    std::vector<const wchar_t*> files;
    const wchar_t* help;
    const wchar_t* manual;
  } cases[] = {
      {L"frn",
       {L"Doc\\frn\\quillora.chm", L"Doc\\eng\\quillora.chm", L"Doc\\eng\\manual.pdf"},
       L"frn",
       L"eng"},
      {L"frn", {L"Doc\\eng\\quillora.chm", L"Doc\\frn\\manual.pdf"}, L"eng", L"frn"},
      {L"jap", {L"Doc\\grm\\quillora.chm", L"Doc\\spn\\quillora.chm"}, L"grm", L""},
      {L"rus",
       {L"Doc\\rus\\quillora.chm", L"Doc\\rus\\manual.pdf", L"Doc\\spn\\manual.pdf"},
       L"rus",
       L"spn"},
      {L"FRN", {L"Doc\\frn\\quillora.chm", L"Doc\\eng\\quillora.chm"}, L"eng", L""},
      {L"eng", {}, L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "language " << testing::PrintToString(std::wstring(c.code)));
    companion_testing::RemoveTree(install_.path() + L"\\Doc");
    for (const wchar_t* file : c.files) install_.Touch(file);
    Install(std::wstring(L"qlr_") + c.code + L".dll");
    Configuration configuration(Configuration::LE);
    EXPECT_EQ(configuration.GetLanguage(Configuration::HELP), c.help);
    EXPECT_EQ(configuration.GetLanguage(Configuration::MANUAL), c.manual);
    const std::wstring help = *c.help ? Dir() + L"Doc\\" + c.help + L"\\quillora.chm" : L"";
    const std::wstring manual = *c.manual ? Dir() + L"Doc\\" + c.manual + L"\\manual.pdf" : L"";
    EXPECT_EQ(configuration.GetFileName(Configuration::HELP), help);
    EXPECT_EQ(configuration.GetFileName(Configuration::MANUAL), manual);
  }
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ConfigurationTest, ReadsLazilyAndResetReadsAgain) {
  Install(L"qlr_frn.dll");
  install_.Touch(L"Doc\\frn\\quillora.chm");
  Configuration configuration(Configuration::LE);
  const std::wstring root = configuration.GetRootKey();
  EXPECT_EQ(configuration.GetRootDir(), L"") << "the root key alone reads nothing";
  EXPECT_EQ(configuration.GetLanguage(Configuration::BUTTON_MANAGER), L"frn");
  EXPECT_EQ(configuration.GetRootDir(), Dir());

  Install(L"qlr_grm.dll");
  install_.Touch(L"Doc\\grm\\quillora.chm");
  EXPECT_EQ(configuration.GetLanguage(Configuration::BUTTON_MANAGER), L"frn") << "cached";
  configuration.Reset();
  EXPECT_EQ(configuration.GetLanguage(Configuration::BUTTON_MANAGER), L"grm");
  EXPECT_EQ(configuration.GetLanguage(Configuration::HELP), L"grm") << "the disk is probed again";
  EXPECT_EQ(configuration.GetRootKey(), root);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ConfigurationTest, QueriesWithoutAnElementAnswerEmptyAfterTheReport) {
  Install(L"qlr_frn.dll");
  Configuration configuration(Configuration::LE);
  EXPECT_EQ(configuration.GetLanguage(Configuration::UNSPECIFIED_FILETYPE), L"");
  EXPECT_EQ(configuration.GetLanguage(Configuration::MAX_FILETYPE), L"");
  EXPECT_EQ(configuration.GetLanguage(static_cast<Configuration::FileType>(40)), L"");
  EXPECT_EQ(Reports(), std::vector<std::wstring>(
                           3, L"( UNSPECIFIED_FILETYPE < ft ) && ( MAX_FILETYPE > ft )"));
  debug_.Clear();
  EXPECT_EQ(configuration.GetFileName(Configuration::BUTTON_MANAGER), L"");
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ConfigurationTest, AStringValueIsTakenOnlyAsFarAsItWasStored) {
  // Stored without its null, and of an odd size: no more than the stored
  // characters are taken.
  const wchar_t name[] = L"qlr_frn.dllXXXXXXXX";
  const struct { DWORD size; } cases[] = {{11 * sizeof(wchar_t)}, {11 * sizeof(wchar_t) + 1}};
  WriteString(kRoot, L"ApplicationPath", install_.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << c.size);
    WriteRaw(kSettings, L"lngRCUname", REG_SZ, name, c.size);
    Configuration configuration(Configuration::LE);
    EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), L"frn");
  }
  WriteRaw(kSettings, L"lngRCUname", REG_SZ, L"qlr_grm.dll\0junk_ita.dll", 25 * sizeof(wchar_t));
  Configuration configuration(Configuration::LE);
  EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), L"grm") << "not past a null";
  EXPECT_TRUE(Reports().empty());
}

TEST_F(ConfigurationTest, AValueThatCannotBeReadGivesAnEmptyText) {
  const std::wstring kReadCheck =
      L"( ERROR_SUCCESS == error_code ) && ( dummy_size < buf_size ) && ( REG_SZ == value_type )";
  WriteString(kRoot, L"ApplicationPath", install_.path());
  const DWORD number = 7;
  const std::wstring tooLong = L"qlr_" + std::wstring(130, L'x') + L"_frn.dll";
  const struct {
    DWORD type;
    const void* data;
    DWORD size;
  } cases[] = {
      {REG_DWORD, &number, sizeof(number)},
      {REG_EXPAND_SZ, L"qlr_frn.dll", 12 * sizeof(wchar_t)},
      {REG_SZ, tooLong.c_str(), static_cast<DWORD>((tooLong.size() + 1) * sizeof(wchar_t))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << ", " << c.size << " bytes");
    debug_.Clear();
    WriteRaw(kSettings, L"lngRCUname", c.type, c.data, c.size);
    Configuration configuration(Configuration::LE);
    EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), L"");
    EXPECT_EQ(configuration.GetLanguage(Configuration::BUTTON_MANAGER), L"eng");
    const auto reports = Reports();
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[0], kReadCheck);
    EXPECT_EQ(reports[1], L"!lngs_[ EXE ].empty()");
  }

  // A path that does not fit: no installation folder, and nothing indexed.
  debug_.Clear();
  testing_support::DeleteKeyTree(HKEY_CURRENT_USER, kSettings);
  WriteString(kRoot, L"ApplicationPath", L"C:\\" + std::wstring(200, L'p'));
  Configuration configuration(Configuration::LE);
  EXPECT_EQ(configuration.GetLanguage(Configuration::EXE), L"eng");
  EXPECT_EQ(configuration.GetRootDir(), L"\\");
  EXPECT_EQ(Reports(), (std::vector<std::wstring>{kReadCheck, L"!root_dir_.empty()"}));
}

TEST(ModuleFileName, ReadsAPathLongerThanTheOldBuffer) {
  ScratchDir scratch(L"quillora-long");
  std::wstring folder = scratch.path();
  while (folder.size() < 300) {
    folder += L"\\a-rather-long-folder-name";
    CreateDirectoryW(folder.c_str(), nullptr);
  }
  const std::wstring copy = folder + L"\\kdv310.dll";
  ASSERT_TRUE(
      CopyFileW((testing_support::ExeDir() + L"\\kdv310.dll").c_str(), copy.c_str(), FALSE));
  HMODULE module = LoadLibraryW(copy.c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(afx::ModuleFileName(module), copy);
  FreeLibrary(module);
  EXPECT_EQ(afx::FolderOf(copy), folder);
}

}  // namespace
