// The shell copy of the Linux test world: real copies between mapped
// drives, the argument lists recorded, failures, aborts and the shell's own
// boxes, and actions reaching the wizard while a copy runs.
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_world.h"
#include "res/wizard_template.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

const WORD kFileFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
const WORD kFolderFlags = kFileFlags | FOF_NOERRORUI;

class ShellWorld : public ::testing::Test {
 protected:
  fs::path root;
  void SetUp() override {
    SimReset();
    char pattern[] = "/tmp/shell_world_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    fs::create_directories(root / "c" / "Game");
    fs::create_directories(root / "d" / "MOVIE" / "sub");
    ASSERT_TRUE(SimMapDrive('C', (root / "c").c_str(), DRIVE_FIXED));
    ASSERT_TRUE(SimMapDrive('D', (root / "d").c_str(), DRIVE_CDROM));
    Write(root / "d" / "MOVIE" / "OP.MPG", "opening");
    Write(root / "d" / "MOVIE" / "sub" / "x.txt", "nested");
    fs::last_write_time(root / "d" / "MOVIE" / "OP.MPG",
                        fs::file_time_type(std::chrono::seconds(1000000000)));
  }
  void TearDown() override {
    SimReset();
    fs::remove_all(root);
  }
  static void Write(const fs::path &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Runs one copy; from and to are single items, the double NUL added.
  static int Copy(const std::string &from, const std::string &to, WORD flags,
                  BOOL *aborted = nullptr) {
    std::string from_list = from + '\0' + '\0';
    std::string to_list = to + '\0' + '\0';
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_COPY;
    op.pFrom = from_list.c_str();
    op.pTo = to_list.c_str();
    op.fFlags = flags;
    op.fAnyOperationsAborted = 77;
    int result = SHFileOperationA(&op);
    if (aborted) *aborted = op.fAnyOperationsAborted;
    return result;
  }
};

TEST_F(ShellWorld, FileCopyCreatesFoldersKeepsTimeAndRecordsBothLists) {
  Write(root / "c" / "Game" / "old.txt", "x");
  BOOL aborted = 1;
  EXPECT_EQ(Copy("D:\\MOVIE\\OP.MPG", "C:\\Game\\MOVIE\\OP.MPG", kFileFlags, &aborted), 0);
  EXPECT_EQ(aborted, FALSE);
  fs::path copied = root / "c" / "Game" / "MOVIE" / "OP.MPG";
  EXPECT_EQ(Read(copied), "opening");
  EXPECT_EQ(fs::last_write_time(copied),
            fs::last_write_time(root / "d" / "MOVIE" / "OP.MPG"));

  // Replacing an existing file, found without regard to case.
  Write(root / "d" / "MOVIE" / "OP.MPG", "opening v2");
  EXPECT_EQ(Copy("D:\\movie\\op.mpg", "C:\\GAME\\movie\\OP.MPG", kFileFlags), 0);
  EXPECT_EQ(Read(copied), "opening v2");
  EXPECT_FALSE(fs::exists(root / "c" / "GAME"));
  EXPECT_TRUE(SimMessageBoxLog().empty());

  ASSERT_EQ(SimShellLog().size(), 2u);
  const SimShellCall &call = SimShellLog()[0];
  EXPECT_EQ(call.func, FO_COPY);
  EXPECT_EQ(call.from, std::string("D:\\MOVIE\\OP.MPG\0\0", 17));
  EXPECT_EQ(call.to, std::string("C:\\Game\\MOVIE\\OP.MPG\0\0", 22));
  EXPECT_EQ(call.flags, kFileFlags);
  EXPECT_EQ(call.result, 0);
}

TEST_F(ShellWorld, FolderCopyArrivesInsideTheTargetWithItsContents) {
  fs::create_directories(root / "c" / "Game" / "movie");
  Write(root / "c" / "Game" / "movie" / "OP.MPG", "stale");
  EXPECT_EQ(Copy("D:\\MOVIE", "C:\\Game", kFolderFlags), 0);
  EXPECT_EQ(Read(root / "c" / "Game" / "movie" / "OP.MPG"), "opening");
  EXPECT_EQ(Read(root / "c" / "Game" / "movie" / "sub" / "x.txt"), "nested");
  EXPECT_FALSE(fs::exists(root / "c" / "Game" / "OP.MPG"));
  EXPECT_EQ(SimShellLog()[0].to, std::string("C:\\Game\0\0", 9));
}

TEST_F(ShellWorld, FailuresAbortsAndTheShellsOwnBoxes) {
  struct Case {
    const char *name;
    std::function<void()> arrange;
    const char *from;
    WORD flags;
    std::vector<int> answers;
    bool aborted;
    size_t boxes;  // shown by the shell itself
  };
  const Case cases[] = {
      {"missing source, error UI off", [] {}, "D:\\NOPE", kFolderFlags, {}, false, 0},
      {"missing source, error UI on", [] {}, "D:\\NOPE", kFileFlags, {}, false, 1},
      {"scripted failure", [] { SimShellFail(0, 5); }, "D:\\MOVIE", kFolderFlags, {}, false, 0},
      {"injected fault", [] { SimFaultArm(1, SimFaultShell, 0); }, "D:\\MOVIE", kFolderFlags, {}, false, 0},
      {"user aborts", [] { SimShellAbort(0); }, "D:\\MOVIE", kFileFlags, {}, true, 0},
      {"folder creation declined", [] {}, "D:\\MOVIE", FOF_NOCONFIRMATION, {IDNO}, true, 1},
  };
  for (const Case &c : cases) {
    SimReset();
    SimMapDrive('C', (root / "c").c_str(), DRIVE_FIXED);
    SimMapDrive('D', (root / "d").c_str(), DRIVE_CDROM);
    fs::remove_all(root / "c" / "Game");
    c.arrange();
    SimScriptMessageBoxAnswers(c.answers);
    BOOL aborted = 77;
    EXPECT_NE(Copy(c.from, "C:\\Game", c.flags, &aborted), 0) << c.name;
    EXPECT_EQ(aborted, c.aborted ? TRUE : FALSE) << c.name;
    EXPECT_FALSE(fs::exists(root / "c" / "Game" / "MOVIE")) << c.name;
    ASSERT_EQ(SimMessageBoxLog().size(), c.boxes) << c.name;
    for (const SimMessageBox &box : SimMessageBoxLog()) EXPECT_EQ(box.caption, "shell");
    ASSERT_EQ(SimShellLog().size(), 1u);
    EXPECT_EQ(SimShellLog()[0].aborted, aborted) << c.name;
  }
}

INT_PTR CALLBACK CountingProc(HWND window, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_COMMAND && wparam == IDCANCEL) EndDialog(window, 3);
  return FALSE;
}

TEST_F(ShellWorld, ActionsScriptedForACopyReachTheOpenWizard) {
  SimScriptDuringShellCopy(0, {SimPress(IDOK), SimDo([this] {
                                 fs::remove(root / "d" / "MOVIE" / "OP.MPG");
                               })});
  int result = -2;
  SimScriptDialog({SimDo([&] { result = Copy("D:\\MOVIE\\OP.MPG", "C:\\Game\\OP.MPG", kFileFlags); }),
                   SimPress(IDCANCEL)});
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCE(WIZARD_TEMPLATE_ID), nullptr,
                            CountingProc, 0),
            3);
  std::vector<std::string> names;
  for (const SimDialogEvent &event : SimDialogLog()) names.push_back(event.after);
  EXPECT_EQ(names, (std::vector<std::string>{"init", "shell 0: command 1", "shell 0: call",
                                             "call", "command 2"}));
  // The disk was taken out while the progress window was up.
  EXPECT_NE(result, 0);
}

TEST_F(ShellWorld, CoInitializeIsCounted) {
  EXPECT_EQ(CoInitialize(nullptr), 0);
  EXPECT_EQ(CoInitialize(nullptr), 1);  // already initialised
  EXPECT_EQ(SimCoInitializeCalls(), 2);
}

}  // namespace
