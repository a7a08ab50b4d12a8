#include <windows.h>

#include <commdlg.h>

#include <fstream>
#include <iterator>

#include "actions/actions_fixture.h"
#include "resource.h"

namespace actions_testing {

namespace {

constexpr wchar_t kSaveTitle[] = L"Save Graphics...";

int SelectedFileType(HWND dialog) {
  return static_cast<int>(SendMessageW(FileTypeCombo(dialog), CB_GETCURSEL, 0, 0));
}

}  // namespace

using ScanToFileTest = ActionsTest;

TEST_F(ScanToFileTest, TheLeftButtonGoesWhereTheSettingsSay) {
  // 0 and 103 are no destination: nothing runs and nothing comes up.
  for (std::int32_t destination : {0, 103}) {
    AppSettings().button_left_action = destination;
    User user;
    EXPECT_EQ(actions.DoLeftButtonAction(), -1) << destination;
    user.Done();
    EXPECT_TRUE(user.unexpected.empty()) << destination;
    EXPECT_EQ(ScanCalls(), "") << destination;
  }

  AppSettings().button_left_action = 101;
  std::wstring title;
  User file([&](User& u) {
    HWND dialog = u.WaitForSaveDialog();
    if (dialog == nullptr) return;
    title = desktop::TextOf(dialog);
    desktop::Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(actions.DoLeftButtonAction(), -1) << "cancelled";
  file.Done();
  EXPECT_TRUE(file.problems.empty());
  EXPECT_EQ(title, kSaveTitle);
  EXPECT_EQ(ScanCalls(), "");
}

// A machine without the scanner's package: the press says so before any
// dialog, and nothing calls into the missing library.
TEST_F(ScanToFileTest, WithoutTheColourScanLibraryAPressExplainsAndScansNothing) {
  struct Case {
    std::int32_t destination;
    const wchar_t* library;
  };
  const Case cases[] = {
      {DESTINATION_FILE, L"bm-not-installed.dll"},
      {DESTINATION_EMAIL, L"bm-not-installed.dll"},
      {DESTINATION_FILE, L"kdv310.dll"},  // loads, but lacks the scan functions
  };
  const wchar_t* const installed = dotwainscan::colour_scan_library;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.destination << " " << c.library);
    AppSettings().button_left_action = c.destination;
    dotwainscan::colour_scan_library = c.library;
    User user([](User& u) { u.AnswerMessageBox(); });
    EXPECT_EQ(actions.DoLeftButtonAction(), 0);
    user.Done();
    dotwainscan::colour_scan_library = installed;
    EXPECT_TRUE(user.problems.empty());
    EXPECT_TRUE(user.unexpected.empty());
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, Localized(IDS_NO_SCANNER_SOFTWARE, c.library));
    EXPECT_EQ(ScanCalls(), "");
  }
}

TEST_F(ScanToFileTest, TheDialogOpensOnTheStoredTypeAndKeepsTheConfirmedOne) {
  AppSettings().format_ext_file = 3;
  const std::wstring path = InFolder(L"card-type.tif");
  DeleteFileW(path.c_str());
  int opened = -1;
  User user([&](User& u) {
    HWND dialog = u.WaitForCaption(kSaveTitle);
    if (dialog == nullptr) return;
    opened = SelectedFileType(dialog);
    ChooseFileType(dialog, 0);
    SaveAs(dialog, path);
  });
  EXPECT_EQ(actions.ScanToFile(), 0);
  user.Done();
  EXPECT_TRUE(user.problems.empty()) << user.problems.size();
  EXPECT_EQ(opened, 2) << "JPEG, the third entry";
  EXPECT_EQ(AppSettings().format_ext_file, 1);
  const auto scans = Scans();
  ASSERT_EQ(scans.size(), 1u);
  EXPECT_EQ(std::wstring(scans[0].path), path);
  EXPECT_TRUE(Exists(path));

  // The next dialog opens on TIFF.
  User again([&](User& u) {
    HWND dialog = u.WaitForCaption(kSaveTitle);
    if (dialog == nullptr) return;
    opened = SelectedFileType(dialog);
    desktop::Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(actions.ScanToFile(), -1);
  again.Done();
  EXPECT_EQ(opened, 0);
}

TEST_F(ScanToFileTest, CancellingScansNothingAndKeepsTheType) {
  AppSettings().format_ext_file = 2;
  User user([&](User& u) {
    HWND dialog = u.WaitForCaption(kSaveTitle);
    if (dialog == nullptr) return;
    ChooseFileType(dialog, 0);
    desktop::Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(actions.ScanToFile(), -1);
  user.Done();
  EXPECT_TRUE(user.problems.empty());
  EXPECT_EQ(AppSettings().format_ext_file, 2);
  EXPECT_EQ(ScanCalls(), "");
}

TEST_F(ScanToFileTest, AnExistingFileIsReplacedOnlyWhenTheUserAgrees) {
  const std::wstring path = InFolder(L"existing.pcx");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  std::vector<SeenBox> asked;
  User user([&](User& u) {
    HWND dialog = u.WaitForCaption(kSaveTitle);
    if (dialog == nullptr) return;
    SaveAs(dialog, path);
    asked.push_back(u.AnswerMessageBox(IDNO));  // back in the dialog
    dialog = u.WaitForCaption(kSaveTitle);
    if (dialog == nullptr) return;
    SaveAs(dialog, path);
    asked.push_back(u.AnswerMessageBox(IDYES));
  });
  EXPECT_EQ(actions.ScanToFile(), 0);
  user.Done();
  EXPECT_TRUE(user.problems.empty());
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_NE(asked[0].text, L"");
  ASSERT_EQ(Scans().size(), 1u);
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_GT(data.nFileSizeLow, 128u) << "the scan replaced the empty file";
}

TEST_F(ScanToFileTest, AScanThatWritesNothingIsToldAndKeepsAnEarlierFile) {
  struct Case {
    const char* what;
    const char* earlier;  // null: no file of that name before
  };
  const Case cases[] = {{"a new name", nullptr}, {"a name already taken", "earlier picture"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring path = InFolder(L"jammed.jpg");
    DeleteFileW(path.c_str());
    if (c.earlier) std::ofstream(path.c_str(), std::ios::binary) << c.earlier;
    sim.Jam();
    User user([&](User& u) {
      HWND dialog = u.WaitForCaption(kSaveTitle);
      if (dialog == nullptr) return;
      SaveAs(dialog, path);
      if (c.earlier) u.AnswerMessageBox(IDYES);
      u.AnswerMessageBox();
    });
    EXPECT_EQ(actions.ScanToFile(), 0);
    user.Done();
    EXPECT_TRUE(user.problems.empty());
    ASSERT_EQ(user.boxes.size(), c.earlier ? 2u : 1u);
    EXPECT_EQ(user.boxes.back().text, Localized(IDS_NO_IMAGE));
    std::ifstream file(path.c_str(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), c.earlier ? c.earlier : "");
    sim.ClearJam();
  }
}

TEST_F(ScanToFileTest, EveryScanTakesTheLanguageOfTheMomentAndTheFixedArguments) {
  const std::wstring first = InFolder(L"first.jpg");
  const std::wstring second = InFolder(L"second.jpeg");
  std::wstring titles[2];
  User user([&](User& u) {
    HWND dialog = u.WaitForSaveDialog();
    if (dialog == nullptr) return;
    titles[0] = desktop::TextOf(dialog);
    SaveAs(dialog, first);
  });
  AppSettings().SetLanguage(3);
  DeleteFileW(first.c_str());
  EXPECT_EQ(actions.ScanToFile(), 0);
  user.Done();
  // The watcher thread changes the language between two presses.
  AppSettings().SetLanguage(2);
  DeleteFileW(second.c_str());
  User next([&](User& u) {
    HWND dialog = u.WaitForSaveDialog();
    if (dialog == nullptr) return;
    titles[1] = desktop::TextOf(dialog);
    SaveAs(dialog, second);
  });
  EXPECT_EQ(actions.ScanToFile(), 0);
  next.Done();
  EXPECT_EQ(ScanCalls(), "setui_colorscan(3) color_scanW setui_colorscan(2) color_scanW");
  // The title follows the language too: French, then German.
  EXPECT_EQ(titles[0], L"Enregistrer l\u2019image...");
  EXPECT_EQ(titles[1], L"Grafik speichern...");
  const auto scans = Scans();
  ASSERT_EQ(scans.size(), 2u);
  for (const auto& scan : scans) {
    EXPECT_STREQ(scan.source, L"twaino73");
    const std::vector<int32_t> ints(scan.ints, scan.ints + scannersim::kScanIntArguments);
    EXPECT_EQ(ints, (std::vector<int32_t>{1, 400, 0, 0, 20, 1, 0, 3}));
    EXPECT_EQ(scan.result, 0);
  }
  EXPECT_EQ(std::wstring(scans[1].path), second);
  EXPECT_TRUE(Exists(first));
  EXPECT_TRUE(Exists(second));
}

TEST_F(ScanToFileTest, TheDialogBelongsToTheFocusedWindow) {
  HWND window = CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  SetActiveWindow(window);
  SetFocus(window);
  if (GetFocus() != window) {
    DestroyWindow(window);
    GTEST_SKIP() << "this desktop gives the test window no focus";
  }
  HWND owner = nullptr;
  User user([&](User& u) {
    HWND dialog = u.WaitForCaption(kSaveTitle);
    if (dialog == nullptr) return;
    owner = GetWindow(dialog, GW_OWNER);
    desktop::Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(actions.ScanToFile(), -1);
  user.Done();
  DestroyWindow(window);
  EXPECT_EQ(owner, window);
}

}  // namespace actions_testing
