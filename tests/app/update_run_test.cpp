// The update run: the disk-space check, the four rules, the lists, the
// failures, and the copies from the CD-ROM.
#include "tests/app/updater_world.h"

namespace {

const char kDone[] = "アップデートは完了しました";
const char kWriteFailed[] = "ファイルの書き込みに失敗しました";
const char kNoEntries[] = "No 'UpdateFileXX' and 'CopyFileXX'";

std::string CopyFailed(const std::string &path) {
  return "SETUP.INI : \"" + path + "\" のコピーに失敗しました";
}

class Run : public UpdaterWorld {
 protected:
  // Opening, confirmation, the run, then the completion page's button.
  int RunToCompletion() {
    SimScriptDialog({SimPress(1), SimPress(1), SimPress(1)});
    return RunUpdater();
  }
  // Opening, confirmation, the run that ends the dialog itself.
  int RunToFailure() {
    SimScriptDialog({SimPress(1), SimPress(1)});
    return RunUpdater();
  }
  std::string Update(const std::string &section) {
    return ScriptSetup("DataFolder=SAVE\r\n") + "[UPDATE]\r\n" + section;
  }
};

TEST_F(Run, ShortOfSpaceThenBackAndNextRunsAgain) {
  SetArchive(Update("RequiredDiskSpace=1000\r\nUpdateFile00=A.DAT\r\n"), {{"A.DAT", "new"}});
  SimSetDriveFreeSpace('C', 400, 1u << 30, 400);
  bool folder_made = true;
  SimScriptDialog({SimPress(1), SimPress(1),
                   SimDo([&] {
                     folder_made = Exists(inst_ + "\\SAVE");
                     SimSetDriveFreeSpace('C', 1000, 1u << 30, 1000);
                   }),
                   SimPress(4), SimPress(1), SimPress(1)});
  EXPECT_EQ(RunUpdater(), 1);
  const std::vector<SimDialogEvent> &log = SimDialogLog();
  ASSERT_EQ(log.size(), 7u);
  const SimDialogSnapshot &short_page = log[2].state;
  EXPECT_EQ(short_page.controls.at(WIZARD_INFO_ID).text,
            "ディスク容量が足りません。\rC: ドライブに 600 バイトの空き容量が必要です");
  EXPECT_TRUE(short_page.controls.at(WIZARD_BACK_ID).enabled);
  EXPECT_FALSE(short_page.controls.at(WIZARD_NEXT_ID).enabled);
  EXPECT_TRUE(short_page.controls.at(WIZARD_ABORT_ID).enabled);
  EXPECT_EQ(short_page.cursor, "");  // left alone
  EXPECT_FALSE(folder_made);  // nothing written, not even the folder
  const SimDialogSnapshot &back = log[4].state;
  EXPECT_EQ(back.controls.at(WIZARD_INFO_ID).text, "アップデートを実行します");
  EXPECT_FALSE(back.controls.at(WIZARD_BACK_ID).enabled);
  EXPECT_TRUE(back.controls.at(WIZARD_NEXT_ID).enabled);
  EXPECT_EQ(log[5].state.controls.at(WIZARD_INFO_ID).text, kDone);  // equal is enough
  EXPECT_EQ(ReadFileBytes(inst_ + "\\SAVE\\A.DAT"), "new");
}

TEST_F(Run, SpaceCheckSkippedOrPassed) {
  struct Case {
    const char *required;
    SimFreeSpaceMode mode;
  };
  const Case cases[] = {
      {"", SimFreeSpaceNormal},            // absent
      {"RequiredDiskSpace=0\r\n", SimFreeSpaceNormal},
      {"RequiredDiskSpace=abc\r\n", SimFreeSpaceNormal},
      {"RequiredDiskSpace=-1\r\n", SimFreeSpaceAllFail},  // failed query: enough
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.required);
    Renew();
    SetArchive(Update(std::string(c.required) + "UpdateFile00=A.DAT\r\n"), {{"A.DAT", "new"}});
    SimSetDriveFreeSpace('C', 4096, 1u << 20, 4096);
    SimSetFreeSpaceMode(c.mode);
    EXPECT_EQ(RunToCompletion(), 1);
    EXPECT_EQ(ReadFileBytes(inst_ + "\\SAVE\\A.DAT"), "new");
    EXPECT_TRUE(BoxTexts().empty());
  }
}

TEST_F(Run, TheFourRulesAndTheInstallModeFilter) {
  const ULONGLONG older = kMemberTicks - 1000, newer = kMemberTicks + 1000;
  ASSERT_TRUE(MakeDir(inst_ + "\\SAVE"));
  ASSERT_TRUE(MakeDir(data_ + "\\SAVE"));
  auto put = [&](const std::string &path, const std::string &bytes, ULONGLONG ticks) {
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    ASSERT_TRUE(SetFileTimeOf(path, MakeFileTime(ticks)));
  };
  put(inst_ + "\\SAVE\\R.DAT", "old", newer);
  put(inst_ + "\\SAVE\\U1.DAT", "old", newer);
  put(inst_ + "\\SAVE\\U2.DAT", "old", older);
  put(inst_ + "\\SAVE\\O2.DAT", "old", older);
  put(data_ + "\\SAVE\\D1.DAT", "saved game", older);
  std::map<std::string, std::string> members;
  for (const char *name : {"R.DAT", "U1.DAT", "U2.DAT", "O1.DAT", "O2.DAT", "D1.DAT", "D2.DAT",
                           "M1.DAT", "M2.DAT"})
    members[name] = std::string("new ") + name;
  SetArchive(Update("UpdateFile00=R.DAT\r\nUpdateFile01=U,U1.DAT\r\nUpdateFile02=u,U2.DAT\r\n"
                    "UpdateFile03=o,O1.DAT\r\nUpdateFile04=O,O2.DAT\r\nUpdateFile05=d,D1.DAT\r\n"
                    "UpdateFile06=D,D2.DAT\r\nUpdateFile07=2,M2.DAT\r\nUpdateFile08=1,M1.DAT\r\n"),
             members);
  EXPECT_EQ(RunToCompletion(), 1);
  EXPECT_TRUE(BoxTexts().empty());
  struct Expect {
    std::string path;
    std::optional<std::string> bytes;
  };
  const Expect expected[] = {
      {inst_ + "\\SAVE\\R.DAT", "new R.DAT"},     // always, newer or not
      {inst_ + "\\SAVE\\U1.DAT", "old"},          // installed copy is newer
      {inst_ + "\\SAVE\\U2.DAT", "new U2.DAT"},
      {inst_ + "\\SAVE\\O1.DAT", std::nullopt},   // not created
      {inst_ + "\\SAVE\\O2.DAT", "new O2.DAT"},
      {data_ + "\\SAVE\\D1.DAT", "saved game"},   // kept
      {data_ + "\\SAVE\\D2.DAT", "new D2.DAT"},
      {inst_ + "\\SAVE\\M1.DAT", "new M1.DAT"},
      {inst_ + "\\SAVE\\M2.DAT", std::nullopt},   // install mode 2 only
  };
  for (const Expect &e : expected) EXPECT_EQ(ReadFileBytes(e.path), e.bytes) << e.path;
  EXPECT_EQ(Ticks(FileTimeOf(inst_ + "\\SAVE\\U1.DAT")), newer);
  EXPECT_EQ(Ticks(FileTimeOf(data_ + "\\SAVE\\D2.DAT")), kMemberTicks);
  // The kept save file got the time of the run.
  EXPECT_GT(Ticks(FileTimeOf(data_ + "\\SAVE\\D1.DAT")), newer);
}

TEST_F(Run, OverwriteOnlyWithNoDestinationsCompletesWritingNothing) {
  SetArchive(Update("OverwriteOnly=1\r\nUpdateFile00=A.DAT\r\nUpdateFile01=u,B.DAT\r\n"),
             {{"A.DAT", "a"}, {"B.DAT", "b"}});
  EXPECT_EQ(RunToCompletion(), 1);
  EXPECT_EQ(ListDir(inst_ + "\\SAVE"), std::vector<std::string>{});
}

TEST_F(Run, FailuresEndTheDialogWithTheirMessage) {
  struct Case {
    const char *name;
    std::string script;
    std::vector<std::string> boxes;
  };
  const std::string long_folder(250, 'f');
  const Case cases[] = {
      {"no entries", ScriptSetup() + "[UPDATE]\r\nUpdateFile01=A.DAT\r\n", {kNoEntries, kAborted}},
      {"every entry filtered out",
       ScriptSetup() + "[UPDATE]\r\nUpdateFile00=2,A.DAT\r\nCopyFile00=3,1:MOVIE\r\n",
       {kNoEntries, kAborted}},
      {"folder inside the name missing", Update("UpdateFile00=A.DAT\r\nUpdateFile01=NONE\\A.DAT\r\n"),
       {kWriteFailed, kAborted}},
      {"member missing", Update("UpdateFile00=ZZZ.DAT\r\n"),
       {"Can't Find File in Resource !!", kWriteFailed, kAborted}},
      {"destination over 259 characters",
       ScriptSetup("DataFolder=" + long_folder + "\r\n") + "[UPDATE]\r\nUpdateFile00=A.DAT\r\n",
       {kWriteFailed, kAborted}},
      {"copy disk character no digit", Update("UpdateFile00=A.DAT\r\nCopyFile00=X:MOVIE\r\n"),
       {CopyFailed("X:MOVIE"), kAborted}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Renew();
    SetArchive(c.script, {{"A.DAT", "new"}});
    EXPECT_EQ(RunToFailure(), 0);
    EXPECT_EQ(BoxTexts(), c.boxes);
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(SimLiveBlocks(), 0);
  }
  // Written entries stay after a later failure; a refused copy entry stops
  // the run before anything is written.
  Renew();
  SetArchive(Update("UpdateFile00=A.DAT\r\nUpdateFile01=NONE\\A.DAT\r\n"), {{"A.DAT", "new"}});
  RunToFailure();
  EXPECT_EQ(ReadFileBytes(inst_ + "\\SAVE\\A.DAT"), "new");
  Renew();
  SetArchive(Update("UpdateFile00=A.DAT\r\nCopyFile00=X:MOVIE\r\n"), {{"A.DAT", "new"}});
  RunToFailure();
  EXPECT_FALSE(Exists(inst_ + "\\SAVE\\A.DAT"));
}

class DiskCopy : public Run {
 protected:
  void SetUp() override {
    Run::SetUp();
    e_ = world_->MapDrive('E', DRIVE_CDROM);
    f_ = world_->MapDrive('F', DRIVE_CDROM);
  }
  void InsertDisk(const std::string &drive, const std::string &id) {
    ASSERT_TRUE(WriteFileBytes(drive + "\\" + id, "disk"));
    ASSERT_TRUE(MakeDir(drive + "\\MOVIE"));
    ASSERT_TRUE(WriteFileBytes(drive + "\\MOVIE\\OP.MPG", "movie on " + drive));
    ASSERT_TRUE(MakeDir(drive + "\\EXTRA"));
    ASSERT_TRUE(WriteFileBytes(drive + "\\EXTRA\\a.txt", "extra"));
  }
  std::string e_, f_;
};

TEST_F(DiskCopy, FileAndFolderFromTheDriveThatHoldsTheDisk) {
  InsertDisk(f_, "DISK1.ID");
  SetArchive(ScriptSetup() + "[UPDATE]\r\nCopyFile00=1:MOVIE\\OP.MPG\r\nCopyFile01=EXTRA\r\n");
  ASSERT_TRUE(SetFileAttributesA(inst_.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(RunToCompletion(), 1);
  EXPECT_TRUE(BoxTexts().empty());
  const std::vector<SimShellCall> &calls = SimShellLog();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].from, std::string("F:\\MOVIE\\OP.MPG\0\0", 17));
  EXPECT_EQ(calls[0].to, inst_ + "\\MOVIE\\OP.MPG" + std::string("\0\0", 2));
  EXPECT_EQ(calls[0].flags, 0x210);
  EXPECT_EQ(calls[1].from, std::string("F:\\EXTRA\0\0", 10));
  EXPECT_EQ(calls[1].to, inst_ + std::string("\0\0", 2));
  EXPECT_EQ(calls[1].flags, 0x610);
  EXPECT_NE(calls[0].owner, nullptr);
  EXPECT_EQ(ReadFileBytes(inst_ + "\\MOVIE\\OP.MPG"), "movie on F:");
  EXPECT_EQ(ReadFileBytes(inst_ + "\\EXTRA\\a.txt"), "extra");
  EXPECT_EQ(GetFileAttributesA((inst_ + "\\MOVIE\\OP.MPG").c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA(inst_.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(DiskCopy, LowerDriveLetterWinsAndDiskZeroTakesTheFirstCdrom) {
  InsertDisk(e_, "DISK2.ID");
  InsertDisk(f_, "DISK2.ID");
  // Disk 0 before any search: the first CD-ROM drive, E:.
  SetArchive(ScriptSetup() + "[UPDATE]\r\nCopyFile00=EXTRA\r\nCopyFile01=2:MOVIE\\OP.MPG\r\n");
  EXPECT_EQ(RunToCompletion(), 1);
  ASSERT_EQ(SimShellLog().size(), 2u);
  EXPECT_EQ(SimShellLog()[0].from.substr(0, 2), "E:");
  EXPECT_EQ(ReadFileBytes(inst_ + "\\MOVIE\\OP.MPG"), "movie on E:");

  // Without any CD-ROM drive the same entry fails with the copy message.
  Renew();
  SetArchive(ScriptSetup() + "[UPDATE]\r\nCopyFile00=EXTRA\r\n");
  EXPECT_EQ(RunToFailure(), 0);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{CopyFailed("EXTRA"), kAborted}));
}

TEST_F(DiskCopy, PromptUntilTheDiskIsInsertedOrCancel) {
  const std::string prompt = "ＣＤ－ＲＯＭドライブに「星の庭」ディスク 1 を入れて下さい";
  SetArchive(ScriptSetup() + "[UPDATE]\r\nCopyFile00=1:MOVIE\\OP.MPG\r\n");
  SimScriptDuringMessageBox(1, {SimDo([&] { InsertDisk(f_, "DISK1.ID"); })});
  EXPECT_EQ(RunToCompletion(), 1);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>(2, prompt));
  EXPECT_EQ(SimMessageBoxLog()[0].style, (UINT)MB_OKCANCEL);
  EXPECT_EQ(SimMessageBoxLog()[0].caption, kCaption);
  EXPECT_NE(SimMessageBoxLog()[0].owner, nullptr);
  EXPECT_EQ(ReadFileBytes(inst_ + "\\MOVIE\\OP.MPG"), "movie on F:");

  Renew();
  SetArchive(ScriptSetup() + "[UPDATE]\r\nCopyFile00=1:MOVIE\\OP.MPG\r\n");
  SimScriptMessageBoxAnswers({IDCANCEL});
  EXPECT_EQ(RunToFailure(), 0);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{prompt, kAborted}));
  EXPECT_TRUE(SimShellLog().empty());
}

TEST_F(DiskCopy, ShellFailureAbortAndMissingSource) {
  const std::string script = ScriptSetup() + "[UPDATE]\r\nCopyFile00=1:MOVIE\\OP.MPG\r\n";
  InsertDisk(f_, "DISK1.ID");
  SetArchive(script);
  SimShellFail(0, 1);
  EXPECT_EQ(RunToFailure(), 0);
  // A file copy leaves the shell its own error window, then ours.
  ASSERT_EQ(BoxTexts().size(), 3u);
  EXPECT_EQ(SimMessageBoxLog()[0].caption, "shell");
  EXPECT_EQ(BoxTexts()[1], CopyFailed("MOVIE\\OP.MPG"));
  EXPECT_EQ(BoxTexts()[2], kAborted);

  Renew();
  InsertDisk(f_, "DISK1.ID");
  SetArchive(script);
  SimShellAbort(0);
  EXPECT_EQ(RunToFailure(), 0);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kAborted});

  // A source that does not exist counts as a folder: no error window of
  // the shell's own, then the copy message.
  Renew();
  InsertDisk(f_, "DISK1.ID");
  SetArchive(ScriptSetup() + "[UPDATE]\r\nCopyFile00=1:NOTHERE\r\n");
  EXPECT_EQ(RunToFailure(), 0);
  ASSERT_EQ(SimShellLog().size(), 1u);
  EXPECT_EQ(SimShellLog()[0].flags, 0x610);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{CopyFailed("NOTHERE"), kAborted}));
}

}  // namespace
