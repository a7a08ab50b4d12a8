#include "actions/ocrapp.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <oleauto.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "actions/dotwainscan.h"
#include "app/myapp.h"
#include "companion/companion_fixture.h"
#include "control.h"
#include "desktop/windowing.h"
#include "framework/dialog.h"
#include "resource.h"
#include "settings/localized.h"
#include "settings/opendialogs.h"
#include "support/test_support.h"

namespace {

// Every SysFreeString of this program, seen through its import table.
using FreeFn = void(WINAPI*)(BSTR);
FreeFn g_real_free = nullptr;
std::vector<void*> g_freed;
void WINAPI RecordFree(BSTR text) {
  g_freed.push_back(text);
  g_real_free(text);
}

// The original comes from the DLL: a delay-load slot holds a stub until the
// first call, and the stub would put the function itself in the slot.
bool HookImport(const char* dll, const char* name, void* replacement, void** original) {
  for (const auto& import : testing_support::ImportsOf(GetModuleHandleW(nullptr))) {
    if (_stricmp(import.dll.c_str(), dll) != 0 || import.function != name) continue;
    *original = reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(dll), name));
    DWORD old = 0;
    VirtualProtect(import.slot, sizeof(*import.slot), PAGE_READWRITE, &old);
    *import.slot = replacement;
    VirtualProtect(import.slot, sizeof(*import.slot), old, &old);
    return *original != nullptr;
  }
  return false;
}

// The message box, read and answered as it opens.
struct BoxSeen {
  HWND ignore = nullptr;  // the settings dialog's own activation
  int count = 0;
  std::wstring caption;
  std::wstring text;
};
BoxSeen* g_box = nullptr;

LRESULT CALLBACK WatchBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_box) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    if (desktop::IsDialog(box) && box != g_box->ignore) {
      ++g_box->count;
      g_box->caption = desktop::TextOf(box);
      g_box->text = desktop::ItemText(box, desktop::kMessageBoxTextId);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class OcrAppTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!g_real_free) {
      ASSERT_TRUE(HookImport("oleaut32.dll", "SysFreeString", reinterpret_cast<void*>(&RecordFree),
                             reinterpret_cast<void**>(&g_real_free)));
    }
  }
  void SetUp() override {
    CoInitialize(nullptr);
    folder_ = companion_testing::SubstituteDir();
    companion::ClearLog(folder_);
    companion::WriteControl(companion::kBusyValue, 0);
    companion::WriteControl(companion::kSettingsCloseValue, 300);
    ASSERT_TRUE(companion::RegisterServer(HKEY_LOCAL_MACHINE,
                                          folder_ + L"\\" + companion::kServerFileName));
    g_freed.clear();
    g_box = &box_;
    hook_ = SetWindowsHookExW(WH_CBT, &WatchBox, nullptr, GetCurrentThreadId());
  }
  void TearDown() override {
    UnhookWindowsHookEx(hook_);
    g_box = nullptr;
    companion::UnregisterServer(HKEY_LOCAL_MACHINE);
    testing_support::DeleteKeyTree(HKEY_CURRENT_USER, companion::kControlKey);
    AppSettings().SetLanguage(0);
    CoUninitialize();
  }
  std::vector<std::wstring> Calls() const { return companion::ReadLog(folder_); }
  // The text GetState handed out, from its log line.
  static void* StateText(const std::wstring& line) {
    const size_t at = line.find(L"text ");
    return at == std::wstring::npos ? nullptr
                                    : reinterpret_cast<void*>(static_cast<ULONG_PTR>(
                                          wcstoull(line.c_str() + at + 5, nullptr, 16)));
  }

  std::wstring folder_;
  BoxSeen box_;
  HHOOK hook_ = nullptr;
  dotwainscan actions_;
};

TEST_F(OcrAppTest, WithoutTheServerTheUserIsToldInHisLanguage) {
  companion::UnregisterServer(HKEY_LOCAL_MACHINE);
  for (std::int32_t language : {0, 3}) {
    SCOPED_TRACE(testing::Message() << "language " << language);
    AppSettings().SetLanguage(language);
    box_ = BoxSeen();
    actions_.DoRightButtonAction();
    ASSERT_EQ(box_.count, 1);
    EXPECT_EQ(box_.caption, L"ORMIK310");
    CString format;
    LoadLocalizedString(format, IDS_NOT_INSTALLED);
    std::wstring expected = format.str();
    const size_t slot = expected.find(L"%s");
    ASSERT_NE(slot, std::wstring::npos);
    expected.replace(slot, 2, L"Quillora 5");
    EXPECT_EQ(box_.text, expected);
    if (language == 0) {
      EXPECT_EQ(box_.text, L"Error: Quillora 5 not correctly installed");
    } else {
      EXPECT_NE(box_.text, L"Error: Quillora 5 not correctly installed") << "still English";
    }
  }
  EXPECT_TRUE(Calls().empty());
}

TEST_F(OcrAppTest, ABusyApplicationGetsNoCardButItsTextIsFreed) {
  companion::WriteControl(companion::kBusyValue, 1);
  actions_.DoRightButtonAction();
  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 3u) << testing::PrintToString(calls);
  EXPECT_EQ(calls[0], L"CreateInstance");
  EXPECT_EQ(calls[1].substr(0, 20), L"GetState -> busy 1 t");
  EXPECT_EQ(calls[2], L"Release");
  void* text = StateText(calls[1]);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(g_freed, std::vector<void*>{text});
  EXPECT_EQ(box_.count, 0);
}

TEST_F(OcrAppTest, AFreeApplicationScansTheCardEachTime) {
  actions_.DoRightButtonAction();
  actions_.DoRightButtonAction();
  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 8u) << testing::PrintToString(calls);
  const auto entries = companion::ReadLogEntries(folder_);
  for (size_t first : {0u, 4u}) {
    EXPECT_EQ(calls[first], L"CreateInstance");
    EXPECT_EQ(calls[first + 1].substr(0, 20), L"GetState -> busy 0 t");
    EXPECT_EQ(calls[first + 2].substr(0, 16), L"ScanCards(5, 0) ");
    EXPECT_EQ(calls[first + 3], L"Release");
    // Each call with its time, in the order they came.
    EXPECT_GT(entries[first].calledAt, 0);
    for (size_t next = first + 1; next < first + 4; ++next) {
      EXPECT_GE(entries[next].calledAt, entries[next - 1].calledAt) << calls[next];
    }
  }
  EXPECT_EQ(g_freed, (std::vector<void*>{StateText(calls[1]), StateText(calls[5])}));
  EXPECT_EQ(box_.count, 0);
}

// What the settings dialog went through, with the companion's calls so far.
struct ShowSeen {
  HWND dialog = nullptr;
  std::vector<std::pair<bool, std::vector<std::wstring>>> shows;
  std::wstring folder;
};
ShowSeen* g_show = nullptr;

LRESULT CALLBACK WatchShow(int code, WPARAM wParam, LPARAM lParam) {
  const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && g_show && message->hwnd == g_show->dialog &&
      message->message == WM_SHOWWINDOW) {
    g_show->shows.emplace_back(message->wParam != 0, companion::ReadLog(g_show->folder));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<std::vector<std::wstring>> g_allowed;  // the companion's calls at each hand-over
std::wstring g_log_folder;

HRESULT STDAPICALLTYPE RecordAllowed(IUnknown* object, void*) {
  if (object) g_allowed.push_back(companion::ReadLog(g_log_folder));
  return S_OK;
}

TEST_F(OcrAppTest, TheSettingsDialogHidesOnlyWhileTheCompanionsSettingsAreOpen) {
  g_allowed.clear();
  g_log_folder = folder_;
  const auto savedAllow = co_allow_set_foreground_window;
  co_allow_set_foreground_window = &RecordAllowed;
  CDialog dialog(IDD_ABOUTBOX);
  g_box = nullptr;  // its own activation is no message box
  ASSERT_TRUE(dialog.Create(IDD_ABOUTBOX));
  dialog.ShowWindow(SW_SHOW);
  box_.ignore = dialog.m_hWnd;
  g_box = &box_;
  const OpenDialogs::Scope shown(&dialog, DialogRole::SETTINGS);
  ShowSeen seen;
  seen.dialog = dialog.m_hWnd;
  seen.folder = folder_;
  g_show = &seen;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &WatchShow, nullptr, GetCurrentThreadId());
  OpenOcrScanSettings();
  UnhookWindowsHookEx(hook);
  g_show = nullptr;
  co_allow_set_foreground_window = savedAllow;
  EXPECT_EQ(g_allowed, std::vector<std::vector<std::wstring>>{{L"CreateInstance"}})
      << "the companion may come forward before its settings show";

  const auto calls = Calls();
  ASSERT_EQ(calls.size(), 4u) << testing::PrintToString(calls);
  EXPECT_EQ(calls[0], L"CreateInstance");
  EXPECT_EQ(calls[1], L"ShowScanSettings(5, 1)");
  EXPECT_EQ(calls[2], L"ScanSettingsClosed");
  EXPECT_EQ(calls[3], L"Release");
  ASSERT_EQ(seen.shows.size(), 2u);
  EXPECT_FALSE(seen.shows[0].first);
  EXPECT_EQ(seen.shows[0].second, std::vector<std::wstring>{L"CreateInstance"})
      << "hidden once the object exists, before its settings show";
  EXPECT_TRUE(seen.shows[1].first);
  EXPECT_EQ(seen.shows[1].second, calls) << "shown again after the release";
  EXPECT_TRUE(dialog.IsWindowVisible());
  dialog.DestroyWindow();
}

constexpr int kQuitCode = 42;
void CALLBACK PostQuit(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  PostQuitMessage(kQuitCode);
}

// The companion's settings run a loop of their own inside the call: a WM_QUIT
// that arrives meanwhile must still reach the program's loop, and neither the
// window nor its class may outlive the call (the server can be unloaded).
TEST_F(OcrAppTest, TheCompanionsSettingsLeaveNothingButAQuitBehind) {
  for (const bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "quit while open" : "closed on its own");
    if (quit) {
      ASSERT_NE(SetTimer(nullptr, 0, 50, &PostQuit), 0u);
    }
    OpenOcrScanSettings();
    MSG msg = {};
    const bool quitSeen = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    EXPECT_EQ(quitSeen, quit);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(quitSeen ? kQuitCode : 0));
    EXPECT_EQ(FindWindowW(companion::kSettingsWindowClass, nullptr), nullptr);
    const HMODULE server = GetModuleHandleW(companion::kServerFileName);
    ASSERT_NE(server, nullptr);
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExW(server, companion::kSettingsWindowClass, &info));
  }
}

TEST_F(OcrAppTest, WithoutTheServerTheSettingsDialogStaysShown) {
  companion::UnregisterServer(HKEY_LOCAL_MACHINE);
  CDialog dialog(IDD_ABOUTBOX);
  g_box = nullptr;  // its own activation is no message box
  ASSERT_TRUE(dialog.Create(IDD_ABOUTBOX));
  dialog.ShowWindow(SW_SHOW);
  box_.ignore = dialog.m_hWnd;
  g_box = &box_;
  const OpenDialogs::Scope shown(&dialog, DialogRole::SETTINGS);
  ShowSeen seen;
  seen.dialog = dialog.m_hWnd;
  g_show = &seen;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &WatchShow, nullptr, GetCurrentThreadId());
  OpenOcrScanSettings();
  UnhookWindowsHookEx(hook);
  g_show = nullptr;
  EXPECT_EQ(box_.count, 1);
  EXPECT_TRUE(seen.shows.empty()) << "never hidden";
  EXPECT_TRUE(dialog.IsWindowVisible());
  EXPECT_TRUE(Calls().empty());
  dialog.DestroyWindow();
}

}  // namespace
