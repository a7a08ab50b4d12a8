// The long run: cycle after cycle of a user's session with the installed
// program, and what its process holds after each cycle, read from outside.
// Wine itself keeps a little for some rounds (a handle for each Save-as
// dialog, handles and memory for each mail library loaded and freed, a small
// record for each text label of a dialog destroyed), so the
// program's growth is taken net of a bare program's that makes the same
// rounds in the same run (soak_bare.cpp). After the warm-up no count may grow
// by more than kCountAllowance, nor private bytes by more than
// kBytesAllowance for every kPerCycles cycles begun.
#include "e2e/soak.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <mapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "composeids.h"
#include "desktop/process_counts.h"
#include "framework/modulepath.h"
#include "framework/unique_handle.h"
#include "program/journal.h"
#include "program/session.h"
#include "program/soak_bare.h"
#include "resource.h"

namespace e2e {
namespace {

constexpr DWORD kDetectMs = 5000;
constexpr int kWarmUpCycles = 5;
constexpr long long kCountAllowance = 2;
constexpr long long kBytesAllowance = 64 * 1024;
constexpr int kPerCycles = 100;
constexpr int kJpegType = 2;
constexpr wchar_t kCardsFolder[] = L"C:\\soak-cards";

int cycles = 0;

// --- What the process holds. ---

using process_counts::COUNTERS;
using process_counts::Counts;
using process_counts::HANDLES;
using process_counts::kNames;
using process_counts::Measured;
using process_counts::PRIVATE_BYTES;
using process_counts::Sources;

struct Sample {
  int cycle = 0;
  int presses = 0;
  double seconds = 0;
  Counts program;
  Counts bare;
};

long long Shown(const Counts& counts, int counter) {
  return counter == PRIVATE_BYTES ? counts[counter] / 1024 : counts[counter];
}

std::string Row(const Sample& sample, const Sources& sources) {
  char line[256];
  int used = std::snprintf(line, sizeof(line), "%6d %8d %9.1f", sample.cycle, sample.presses,
                           sample.seconds);
  for (int c = 0; c < COUNTERS; ++c) {
    if (!Measured(sources, c)) continue;
    used += std::snprintf(line + used, sizeof(line) - used, " %12lld", Shown(sample.program, c));
  }
  std::snprintf(line + used, sizeof(line) - used, " %12lld %12lld",
                Shown(sample.bare, PRIVATE_BYTES), Shown(sample.bare, HANDLES));
  return line;
}

std::string Header(const Sources& sources) {
  std::string header = " cycle  presses elapsed s";
  for (int c = 0; c < COUNTERS; ++c) {
    if (!Measured(sources, c)) continue;
    char column[16];
    std::snprintf(column, sizeof(column), " %12s", kNames[c]);
    header += column;
  }
  return header + "     bare KiB bare handles";
}

void Print(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// --- The bare program beside the driver, on the same desktop. ---

class Bare {
 public:
  bool Start(const std::wstring& attachment) {
    const std::wstring program =
        afx::FolderOf(afx::ModuleFileName(nullptr)) + L"\\" + soak_bare::kProgram;
    const std::wstring library = Installed().system + L"\\" + mailsim::kLibraryName;
    if (!process_.Start(L"\"" + program + L"\" \"" + library + L"\" \"" + attachment + L"\"",
                        UserFolder())) {
      return false;
    }
    window_ = desktop::WaitForWindowOf(process_.handle(), soak_bare::kClassName, kDeadlineMs);
    return window_ != nullptr;
  }
  void Make(UINT round) const { PostMessageW(window_, round, 0, 0); }
  // Whether it answers, so has finished its round.
  bool Answers() const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, kDeadlineMs, &result) != 0;
  }
  DWORD id() const { return process_.id(); }

 private:
  desktop::Child process_;
  HWND window_ = nullptr;
};

// --- A cycle. ---

class Soak : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    CreateDirectoryW(kCardsFolder, nullptr);
    TheMail().Reset();
  }

  Program& program() { return TheProgram(); }
  const Tray& tray() { return TheTray(); }

  void Cycle(int n);
  void Press(const wchar_t* command) {
    ASSERT_TRUE(Scanner(command)) << Narrow(command);
    ++presses_;
  }
  void Settled() {
    ASSERT_EQ(tray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED)
        << "after the action";
  }
  void ToFile(int n);
  void ToEmail(bool send);
  void Compose(HWND compose, bool send);
  void ToCompanion();
  void MenuIn(bool english);
  void SecondLaunch();
  void ShellRestart();

  Bare bare_;
  int presses_ = 0;
};

void Soak::ToFile(int n) {
  if (program().destination() != Destination::FILE) {
    ASSERT_TRUE(program().ChooseDestination(Destination::FILE)) << "the settings dialog";
    bare_.Make(soak_bare::kLabels);
  }
  const std::wstring name = std::wstring(kCardsFolder) + L"\\card-" + std::to_wstring(n);
  Press(L"press left");
  const HWND dialog = WaitForSaveAs();
  ASSERT_NE(dialog, nullptr) << "no Save-as dialog";
  SaveAs(dialog, kJpegType, name);
  const std::wstring file = name + L".jpg";
  ASSERT_TRUE(WaitUntil([&] { return !ReadWhole(file).empty(); })) << Narrow(file);
  Settled();
  DeleteFileW(file.c_str());

  bare_.Make(soak_bare::kSaveAs);
  const HWND bare = WaitForWindow(bare_.id(), IsSaveAs);
  ASSERT_NE(bare, nullptr) << "no Save-as dialog in the bare program";
  SaveAs(bare, kJpegType, name);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(bare); })) << "the bare program's dialog stays";
}

// Sent: the outbox holds one more message (removed again). Discarded: the
// window closes.
void Soak::Compose(HWND compose, bool send) {
  const size_t sent = SentMessages().size();
  if (send) {
    SendMessageTo(compose, kRecipient);
    ASSERT_TRUE(WaitUntil([&] { return SentMessages().size() > sent; })) << "nothing sent";
    // The mail client may still be writing it.
    const std::wstring message = SentMessages().back();
    ASSERT_TRUE(WaitUntil([&] { return DeleteFileW(message.c_str()) != FALSE; }))
        << "the sent message cannot be removed";
  } else {
    desktop::Press(compose, IDC_DISCARD);
  }
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(compose); })) << "the compose window stays";
  EXPECT_EQ(SentMessages().size(), sent) << "the outbox holds a message too many";
}

void Soak::ToEmail(bool send) {
  ASSERT_TRUE(program().ChooseDestination(Destination::EMAIL)) << "the settings dialog";
  bare_.Make(soak_bare::kLabels);
  TheMail().ClearCalls();
  Press(L"press left");
  const HWND compose = WaitForCompose();
  ASSERT_NE(compose, nullptr) << "no compose window";
  ASSERT_NO_FATAL_FAILURE(Compose(compose, send));
  const auto answered = [&] {
    for (const mailsim::CallRecord& call : TheMail().Calls()) {
      if (call.call == mailsim::CALL_SEND) {
        return call.result == static_cast<uint32_t>(send ? SUCCESS_SUCCESS : MAPI_USER_ABORT);
      }
    }
    return false;
  };
  ASSERT_TRUE(WaitUntil(answered))
      << "the mail client did not answer " << (send ? "sent" : "discarded");
  Settled();

  bare_.Make(soak_bare::kMail);
  const HWND bare = WaitForWindow(bare_.id(), IsCompose);
  ASSERT_NE(bare, nullptr) << "no compose window in the bare program";
  ASSERT_NO_FATAL_FAILURE(Compose(bare, send));
}

void Soak::ToCompanion() {
  const size_t calls = CompanionCalls().size();
  Press(L"press right");
  ASSERT_TRUE(WaitUntil([&] { return ScanCardsSince(calls); }))
      << "no ScanCards in the companion's log";
  Settled();
  for (const std::wstring& scan : FilesIn(Installed().folder + L"\\Scans", L"*.jpg")) {
    DeleteFileW(scan.c_str());
  }
}

// The tray menu, opened and closed until it reads in the language asked for.
void Soak::MenuIn(bool english) {
  const std::wstring open = ProgramText(IDS_OPEN);
  bool seen = false;
  const bool read = WaitUntil([&] {
    const std::vector<MenuItem> menu = program().OpenMenu();
    program().CloseMenu();
    seen = seen || !menu.empty();
    return !menu.empty() && (menu.front().text == open) == english;
  });
  ASSERT_TRUE(seen) << "no tray menu";
  ASSERT_TRUE(read) << "the menu is not in " << (english ? "English" : "French");
}

void Soak::SecondLaunch() {
  const afx::UniqueHandleT second = desktop::Start(Installed().run, UserFolder());
  ASSERT_TRUE(second);
  ASSERT_EQ(WaitForSingleObject(second.get(), kDetectMs), WAIT_OBJECT_0) << "the second stays";
  const HWND dialog = program().WaitForDialog(IDC_TAB);
  ASSERT_NE(dialog, nullptr) << "the second launch opened no settings dialog";
  desktop::Press(dialog, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the settings dialog stays";
  bare_.Make(soak_bare::kLabels);
}

// The shell forgets its icons when it restarts, and then says it is back.
void Soak::ShellRestart() {
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof(icon);
  icon.hWnd = program().frame();
  icon.uID = desktop::kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &icon);
  ASSERT_EQ(tray().WaitFor(TrayPicture::NONE, kDetectMs), TrayPicture::NONE) << "still an icon";
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                      SMTO_ABORTIFHUNG, kDetectMs, &answer);
  ASSERT_EQ(tray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED)
      << "the icon did not come back";
}

// BM_SOAK_SKIP names steps to leave out (file, email, right, menu, lang,
// second, shell), to find which step a growth comes with.
bool Skip(const char* step) {
  const char* skip = std::getenv("BM_SOAK_SKIP");
  return skip && std::strstr(skip, step);
}

void Soak::Cycle(int n) {
  ASSERT_TRUE(Scanner(L"attach"));
  ASSERT_EQ(tray().WaitFor(TrayPicture::ATTACHED, kDetectMs), TrayPicture::ATTACHED)
      << "plugged in";
  if (!Skip("file")) {
    ASSERT_NO_FATAL_FAILURE(ToFile(n));
  }
  if (!Skip("email")) {
    ASSERT_NO_FATAL_FAILURE(ToEmail(n % 2 == 0));
  }
  if (!Skip("right")) {
    ASSERT_NO_FATAL_FAILURE(ToCompanion());
  }
  if (!Skip("menu")) {
    ASSERT_NO_FATAL_FAILURE(MenuIn(true));
  }
  if (!Skip("lang")) {
    ASSERT_TRUE(Companion(L"lang frn"));
    ASSERT_NO_FATAL_FAILURE(MenuIn(false));
  }
  if (!Skip("second")) {
    ASSERT_NO_FATAL_FAILURE(SecondLaunch());
  }
  if (!Skip("lang")) {
    ASSERT_TRUE(Companion(L"lang eng"));
    ASSERT_NO_FATAL_FAILURE(MenuIn(true));
  }
  if (!Skip("shell")) {
    ASSERT_NO_FATAL_FAILURE(ShellRestart());
  }
  ASSERT_TRUE(Scanner(L"detach"));
  ASSERT_EQ(tray().WaitFor(TrayPicture::NO_SCANNER, kDetectMs), TrayPicture::NO_SCANNER)
      << "unplugged";
}

TEST_F(Soak, CyclesLeaveNothingBehind) {
  ASSERT_GT(cycles, kWarmUpCycles) << "the run must be longer than its warm-up";
  // The bare program mails the card that the program has just mailed.
  ASSERT_TRUE(bare_.Start(MailedCard())) << "the bare program did not start";
  ASSERT_TRUE(program().Start()) << "no frame from " << Narrow(Installed().run);
  ASSERT_EQ(tray().WaitFor(TrayPicture::NO_SCANNER, kDetectMs), TrayPicture::NO_SCANNER);
  Sources sources;
  std::vector<Sample> samples;
  const DWORD start = GetTickCount();
  const auto take = [&](int n) {
    ASSERT_TRUE(bare_.Answers()) << "the bare program does not answer";
    Sample sample;
    sample.cycle = n;
    sample.presses = presses_;
    sample.seconds = (GetTickCount() - start) / 1000.0;
    sample.program = process_counts::Read(program().id(), &sources);
    sample.bare = process_counts::Read(bare_.id(), &sources);
    samples.push_back(sample);
    if (n == 0) Print(Header(sources));
    Print(Row(sample, sources));
  };
  take(0);
  for (int n = 1; n <= cycles; ++n) {
    Cycle(n);
    ASSERT_FALSE(HasFatalFailure()) << "in cycle " << n;
    ASSERT_TRUE(program().Responsive()) << "in cycle " << n;
    take(n);
  }

  process_counts::PrintSources(sources);
  const Sample& first = samples[kWarmUpCycles];
  const Sample& last = samples.back();
  const long long bytesAllowed =
      kBytesAllowance * ((last.cycle - first.cycle + kPerCycles - 1) / kPerCycles);
  std::printf("%d cycles, %d presses, %.1f minutes; from cycle %d to %d:\n", cycles, presses_,
              last.seconds / 60, first.cycle, last.cycle);
  std::printf("  %-12s %21s %21s %8s %8s\n", "", "program", "bare program", "net", "allowed");
  for (int c = 0; c < COUNTERS; ++c) {
    if (!Measured(sources, c)) continue;
    const long long growth = last.program[c] - first.program[c];
    const long long wine = last.bare[c] - first.bare[c];
    const long long allowed = c == PRIVATE_BYTES ? bytesAllowed : kCountAllowance;
    const long long unit = c == PRIVATE_BYTES ? 1024 : 1;
    std::printf("  %-12s %9lld -> %9lld %9lld -> %9lld %8lld %8lld\n", kNames[c],
                Shown(first.program, c), Shown(last.program, c), Shown(first.bare, c),
                Shown(last.bare, c), (growth - wine) / unit, allowed / unit);
    EXPECT_GE(first.program[c], 0) << kNames[c] << " could not be read";
    EXPECT_LE(growth - wine, allowed)
        << kNames[c] << " grew, net of the bare program's, from cycle " << first.cycle << " to "
        << last.cycle;
  }
  std::fflush(stdout);
  ASSERT_TRUE(program().Exit());
}

}  // namespace

bool ChooseRun(int* argc, wchar_t** argv) {
  for (int i = 1; i < *argc; ++i) {
    if (std::wcscmp(argv[i], L"--soak") != 0) continue;
    if (i + 1 >= *argc || (cycles = _wtoi(argv[i + 1])) <= 0) return false;
    for (int j = i; j + 2 <= *argc; ++j) argv[j] = argv[j + 2];
    *argc -= 2;
    GTEST_FLAG_SET(filter, "Soak.*");
    return true;
  }
  const std::string filter = GTEST_FLAG_GET(filter);
  GTEST_FLAG_SET(filter, filter + (filter.find('-') == std::string::npos ? "-" : ":") + "Soak.*");
  return true;
}

}  // namespace e2e
