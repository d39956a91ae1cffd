// Whole update runs with one platform operation failing.  The run writes
// files under all four rules (one of them compressed, one read-only, one
// new), keeps one save file and creates another, and copies a file and a
// folder from the CD-ROM.  It is repeated with the nth operation failing
// for every n the run makes; after each, whatever failed:
//   - the user has been told (a box), or the failure was one the run may
//     pass over silently and the update completed in full;
//   - every file of the installation holds its old bytes or its new bytes
//     (or is still absent), never anything else;
//   - no temporary file is left in any folder, the script is gone, and no
//     memory block or handle is left behind.
#include "tests/app/updater_world.h"

#include <algorithm>
#include <optional>
#include <set>

namespace {

const char kWriteFailed[] = "ファイルの書き込みに失敗しました";
const char kScriptMissing[] = "UPDATE.INI not found at UPDATE.QPK";
const char kUnreadable[] = "RESOURCE READ ERROR";
const char kNoMemory[] = "Can't Allocate Memory !!";
// Stands for the shell's own error box, whose wording is the shell's.
const char kShellBox[] = "(the shell's own box)";

std::string CopyFailed(const std::string &path) {
  return "SETUP.INI : \"" + path + "\" のコピーに失敗しました";
}

// One file the update touches: its bytes before and after a complete run
// (nullopt: absent).  A save file that exists keeps its bytes; one whose
// read fails is written from the archive, which is also a whole file.
struct Tracked {
  std::string path;
  std::optional<std::string> before;
  std::string after;
  std::optional<std::string> also_allowed;
};

// What one run left behind.
struct Outcome {
  int exit_code = -1;
  std::vector<std::string> boxes;
  int startup_operations = -1;  // counted before the wizard opened (-1: never opened)
  int operations = 0;
  int injected = 0;
};

// The kinds the injector knows, each on its own.
const struct {
  unsigned kind;
  const char *name;
} kKinds[] = {
    {SimFaultOpen, "open"},     {SimFaultRead, "read"},     {SimFaultWrite, "write"},
    {SimFaultTime, "time"},     {SimFaultRename, "rename"}, {SimFaultAlloc, "alloc"},
    {SimFaultAttr, "attr"},     {SimFaultMkdir, "mkdir"},   {SimFaultDelete, "delete"},
    {SimFaultShell, "shell"},   {SimFaultSeek, "seek"},
};

class FaultRun : public UpdaterWorld {
 protected:
  void Arrange() {
    cd_ = world_->MapDrive('E', DRIVE_CDROM);
    ASSERT_TRUE(WriteFileBytes(cd_ + "\\DISK1.ID", "disk"));
    ASSERT_TRUE(MakeDir(cd_ + "\\MOVIE"));
    ASSERT_TRUE(WriteFileBytes(cd_ + "\\MOVIE\\OP.MPG", "movie"));
    ASSERT_TRUE(MakeDir(cd_ + "\\EXTRA"));
    ASSERT_TRUE(WriteFileBytes(cd_ + "\\EXTRA\\A.TXT", "extra"));
    SimSetDriveFreeSpace('C', 1ull << 30, 1ull << 31, 1ull << 30);

    const std::string save = inst_ + "\\SAVE", data = data_ + "\\SAVE";
    ASSERT_TRUE(MakeDir(save));
    ASSERT_TRUE(MakeDir(data));
    const std::string big(3000, 'c');  // compresses: decoded into a block
    tracked_ = {
        {save + "\\R.DAT", "old R", "new R", {}},
        {save + "\\U.DAT", "old U", "new U", {}},
        {save + "\\O.DAT", "old O", "new O", {}},
        {save + "\\C.DAT", "old C", big, {}},
        {save + "\\RO.DAT", "old RO", "new RO", {}},
        {save + "\\N.DAT", std::nullopt, "new N", {}},
        {data + "\\D.DAT", "saved game", "saved game", "new D"},
        {data + "\\D2.DAT", std::nullopt, "new D2", {}},
        {inst_ + "\\MOVIE\\OP.MPG", std::nullopt, "movie", {}},
        {inst_ + "\\EXTRA\\A.TXT", std::nullopt, "extra", {}},
    };
    for (const Tracked &t : tracked_) {
      if (!t.before) continue;
      ASSERT_TRUE(WriteFileBytes(t.path, *t.before));
      ASSERT_TRUE(SetFileTimeOf(t.path, MakeFileTime(kMemberTicks - 1000)));
    }
    ASSERT_TRUE(MakeReadOnly(save + "\\RO.DAT"));
    SetArchive(ScriptSetup("DataFolder=SAVE\r\n") +
                   "[UPDATE]\r\nRequiredDiskSpace=1000\r\n"
                   "UpdateFile00=R.DAT\r\nUpdateFile01=u,U.DAT\r\nUpdateFile02=o,O.DAT\r\n"
                   "UpdateFile03=C.DAT\r\nUpdateFile04=RO.DAT\r\nUpdateFile05=N.DAT\r\n"
                   "UpdateFile06=d,D.DAT\r\nUpdateFile07=d,D2.DAT\r\n"
                   "CopyFile00=1:MOVIE\\OP.MPG\r\nCopyFile01=EXTRA\r\n",
               {{"R.DAT", "new R"}, {"U.DAT", "new U"}, {"O.DAT", "new O"}, {"C.DAT", big},
                {"RO.DAT", "new RO"}, {"N.DAT", "new N"}, {"D.DAT", "new D"},
                {"D2.DAT", "new D2"}});
    ASSERT_LT(archive_.size(), big.size());  // C.DAT is stored compressed
  }

  // A fresh world, then one run with the nth operation of the given kinds
  // failing (n = 0: none fails, the operations are only counted).
  Outcome RunWithFault(unsigned kinds, int n) {
    Renew();
    Arrange();
    blocks_ = SimLiveBlocks();
    handles_ = SimOpenHandleCount();
    Outcome out;
    SimFaultArm(n, kinds, 0);
    SimScriptDialog({SimDo([&] { out.startup_operations = SimFaultOperations(); }),
                     SimPress(1), SimPress(1), SimPress(1)});
    out.exit_code = RunUpdater();
    out.operations = SimFaultOperations();
    out.injected = SimFaultsInjected();
    SimFaultDisarm();
    out.boxes = BoxTexts();
    return out;
  }

  // What must hold after every run, failed or not.
  void CheckInvariants(const Outcome &out) {
    EXPECT_FALSE(SimDialogScriptExhausted());
    const bool told = !out.boxes.empty();
    if (told) {
      EXPECT_EQ(out.exit_code, 0);
      const std::string &last = out.boxes.back();
      EXPECT_TRUE(last == kAborted || last == kScriptMissing || last == kUnreadable) << last;
    } else {
      // A silent failure: the update must have gone through in full.
      EXPECT_EQ(out.exit_code, 1);
    }
    std::set<std::string> allowed_names = {"SETUP.INI", "SAVE", "MOVIE", "EXTRA"};
    for (const Tracked &t : tracked_) {
      std::optional<std::string> now = ReadFileBytes(t.path);
      if (!told) {
        EXPECT_TRUE(now == t.after || (t.also_allowed && now == t.also_allowed)) << t.path;
      } else {
        EXPECT_TRUE(now == t.before || now == t.after || (t.also_allowed && now == t.also_allowed))
            << t.path << " holds " << (now ? *now : "(absent)");
      }
      allowed_names.insert(t.path.substr(t.path.rfind('\\') + 1));
    }
    // Only the installation's own names in its folders: no temporary file.
    for (const std::string &folder : {inst_, inst_ + "\\SAVE", data_, data_ + "\\SAVE",
                                      inst_ + "\\MOVIE", inst_ + "\\EXTRA"})
      for (const std::string &name : ListDir(folder))
        EXPECT_TRUE(allowed_names.count(name)) << folder << "\\" << name;
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(SimLiveBlocks(), blocks_);
    EXPECT_EQ(SimOpenHandleCount(), handles_);
  }

  std::string cd_;
  std::vector<Tracked> tracked_;
  int blocks_ = 0, handles_ = 0;
};

TEST_F(FaultRun, EveryOperationOfTheRunFailingInTurn) {
  const Outcome clean = RunWithFault(SimFaultAll, 0);
  ASSERT_EQ(clean.exit_code, 1);
  ASSERT_TRUE(clean.boxes.empty());
  CheckInvariants(clean);
  const int total = clean.operations;
  ASSERT_GT(total, 20);
  int told = 0;
  for (int n = 1; n <= total; n++) {
    SCOPED_TRACE("operation " + std::to_string(n) + " of " + std::to_string(total));
    const Outcome out = RunWithFault(SimFaultAll, n);
    EXPECT_EQ(out.injected, 1);
    CheckInvariants(out);
    told += !out.boxes.empty();
  }
  RecordProperty("operations", total);
  RecordProperty("reported", told);
  printf("fault injection: %d operations, each failed in turn; %d reported, %d passed over\n",
         total, told, total - told);
}

// The same failure points, taken kind by kind, so that each failure can be
// held to the message its kind calls for.  The kinds' counts add up to the
// whole run's, so these runs are the same n as above, regrouped.
TEST_F(FaultRun, EachKindOfFailureGivesItsMessage) {
  using Boxes = std::vector<std::string>;
  const Boxes write_failed = {kWriteFailed, kAborted};
  const Boxes silent = {};
  const Boxes script_missing = {kScriptMissing};
  struct Expect {
    unsigned kind;
    std::vector<Boxes> startup;  // before the wizard opened
    std::vector<Boxes> run;      // during the update run
  };
  const Expect expected[] = {
      // Reserving or writing the script, or opening it for the run.
      {SimFaultOpen, {script_missing}, {write_failed, silent}},
      // Reading the held script back for its check; in the run only the
      // save file's read and the newer-file rule read, and both pass over
      // a failure (the save file is then written from the archive).
      {SimFaultRead, {script_missing}, {silent}},
      // The save file's write-back is silent; every other write is told.
      // The write-back sets no time, so every time failure is told.
      {SimFaultWrite, {script_missing}, {write_failed, silent}},
      {SimFaultTime, {script_missing}, {write_failed}},
      {SimFaultRename, {script_missing}, {write_failed, silent}},
      {SimFaultAlloc,
       {{kUnreadable}, {kNoMemory, kScriptMissing}, script_missing},
       {{kNoMemory, kWriteFailed, kAborted}, silent}},
      // Clearing the read-only file fails its replacement; the attribute
      // reset after a copy is silent.
      {SimFaultAttr, {}, {write_failed, silent}},
      {SimFaultMkdir, {}, {silent}},
      // Deleting the script at the end: tried again, so still gone.
      {SimFaultDelete, {}, {silent}},
      // The file copy leaves the shell its own error box; the folder
      // copy does not.
      {SimFaultShell,
       {},
       {{kShellBox, CopyFailed("MOVIE\\OP.MPG"), kAborted},
        {CopyFailed("EXTRA"), kAborted}}},
      {SimFaultSeek, {}, {}},
  };
  int sum = 0;
  for (const Expect &e : expected) {
    const char *name = "?";
    for (const auto &k : kKinds)
      if (k.kind == e.kind) name = k.name;
    SCOPED_TRACE(name);
    const Outcome counted = RunWithFault(e.kind, 0);
    sum += counted.operations;
    std::set<Boxes> seen;
    for (int n = 1; n <= counted.operations; n++) {
      SCOPED_TRACE("operation " + std::to_string(n) + " of " +
                   std::to_string(counted.operations));
      const Outcome out = RunWithFault(e.kind, n);
      CheckInvariants(out);
      Boxes boxes = out.boxes;
      // The shell's own box is not ours to word; only its presence counts.
      if (!boxes.empty() && SimMessageBoxLog()[0].caption == "shell")
        boxes[0] = kShellBox;
      const bool startup = n <= counted.startup_operations;
      const std::vector<Boxes> &allowed = startup ? e.startup : e.run;
      EXPECT_TRUE(std::find(allowed.begin(), allowed.end(), boxes) != allowed.end())
          << (startup ? "start-up" : "run") << " gave " << ::testing::PrintToString(boxes);
      seen.insert(boxes);
    }
    // Every outcome listed for the kind does occur: the fixture reaches it.
    printf("fault injection, %s: %d operations\n", name, counted.operations);
    for (const std::vector<Boxes> *list : {&e.startup, &e.run})
      for (const Boxes &b : *list)
        EXPECT_TRUE(seen.count(b)) << "never seen: " << ::testing::PrintToString(b);
  }
  EXPECT_EQ(sum, RunWithFault(SimFaultAll, 0).operations);
}

}  // namespace
