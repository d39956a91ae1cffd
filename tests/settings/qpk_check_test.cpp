// qpk check: each problem it looks for, in small scripts, as the exact
// lines it prints; the archive form; the usage errors.
#include "tools/qpk/check.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/qpk/qpk.h"
#include "tests/support/test_world.h"

namespace {

using Lines = std::vector<std::string>;

struct CheckRun {
  int status;
  Lines lines;
};

CheckRun Check(std::vector<std::string> args) {
  args.insert(args.begin(), "check");
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  testing::internal::CaptureStdout();
  int status = QpkCheckMain((int)argv.size(), argv.data());
  std::istringstream out(testing::internal::GetCapturedStdout());
  CheckRun r{status, {}};
  for (std::string line; std::getline(out, line);) r.lines.push_back(line);
  return r;
}

const char CompleteSetup[] = "[SETUP]\nCompanyName=Co\nGameTitle=ゲーム\nGameClass=Cls\nGameDir=Dir\n";

class QpkCheck : public ::testing::Test {
 protected:
  void SetUp() override { ToolPlatformInit(); }  // as qpk does before any command
  // Host path of a new file in the scratch folder.
  std::string Write(const std::string &name, const std::string &bytes) {
    std::string path = world_.Path(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return world_.HostPath(path);
  }
  TestWorld world_;
};

TEST_F(QpkCheck, EachProblemInItsOwnScript) {
  const std::string long_folder(250, 'F');
  const std::string long_name(300, 'N');
  struct Row {
    const char *what;
    std::string script;
    Lines expected;  // the key and problem of each line
  } rows[] = {
      {"clean", std::string(CompleteSetup) +
                    "[UPDATE]\nRequiredDiskSpace=65536\nOverwriteOnly=0\nUpdateFile00=GAME.DAT\n"
                    "UpdateFile01=2,u,DATA\\SCRIPT.DAT\nCopyFile00=1:MOVIE\nCopyFile01=MOVIE\\OP.MPG\n",
       {}},
      {"required keys", "[SETUP]\nCompanyName=Co\nGameTitle=\nGameClass=Cls\n[UPDATE]\nGameDir=Dir\n",
       {"GameTitle: required [SETUP] key is missing or empty: the updater stops",
        "GameDir: required [SETUP] key is missing or empty: the updater stops"}},
      {"numbering", std::string(CompleteSetup) +
                        "[UPDATE]\nUpdateFile00=GAME.DAT\nUpdateFile01=GAME.DAT\nUpdateFile03=GAME.DAT\n"
                        "UpdateFile5=GAME.DAT\nCopyFile01=MOVIE\n",
       {"UpdateFile03: never read: UpdateFile02 is missing",
        "UpdateFile5: never read: the number needs two digits (UpdateFile05)",
        "CopyFile01: never read: CopyFile00 is missing"}},
      {"past 15", std::string(CompleteSetup) + "[UPDATE]\n" + [] {
         std::string s;
         for (int n = 0; n <= 16; n++) s += "UpdateFile" + std::string(n < 10 ? "0" : "") + std::to_string(n) + "=GAME.DAT\n";
         return s;
       }(),
       {"UpdateFile16: never read: the list ends at UpdateFile15"}},
      {"member missing", std::string(CompleteSetup) + "[UPDATE]\nUpdateFile00=u,SUB\\MISSING.DAT\n",
       {"UpdateFile00: member 'MISSING.DAT' is not among the files"}},
      {"member names", std::string(CompleteSetup) +
                           "[UPDATE]\nUpdateFile00=game.dat\nUpdateFile01=LONGFILENAME.DAT\n"
                           "UpdateFile02=LONGNAME1.DAT\nUpdateFile03=ゲーム.DAT\nUpdateFile04=u\n",
       {"UpdateFile00: member name 'game.dat' is not an upper-case 8.3 name",
        "UpdateFile01: member name 'LONGFILENAME.DAT' is over 14 bytes",
        "UpdateFile02: member name 'LONGNAME1.DAT' is not an upper-case 8.3 name",
        "UpdateFile04: no file name: nothing to write"}},
      {"kind letter and blank", std::string(CompleteSetup) + "[UPDATE]\nUpdateFile00=u ,GAME.DAT\nUpdateFile01=2,D ,GAME.DAT\n",
       {"UpdateFile00: kind letter 'u' is followed by a blank: it becomes the file name",
        "UpdateFile01: kind letter 'D' is followed by a blank: it becomes the file name"}},
      {"drive letter taken for a prefix", std::string(CompleteSetup) + "[UPDATE]\nUpdateFile00=C:\\GAME.DAT\n",
       {"UpdateFile00: field 'C:\\GAME.DAT' loses its first two characters (read as a disk prefix)"}},
      {"long field", std::string(CompleteSetup) + "[UPDATE]\nUpdateFile00=u," + long_name + "\\GAME.DAT\n",
       {"UpdateFile00: field of 309 bytes is cut to 259",
        "UpdateFile00: member name '" + std::string(259, 'N') + "' is over 14 bytes",
        "UpdateFile00: member '" + std::string(259, 'N') + "' is not among the files",
        "UpdateFile00: the destination path is over 259 bytes even under C:\\"}},
      {"long built path", std::string(CompleteSetup) + "DataFolder=" + long_folder + "\n[UPDATE]\nUpdateFile00=GAME.DAT\n",
       {"UpdateFile00: the destination path is over 259 bytes even under C:\\"}},
      {"long values", std::string(CompleteSetup) + "UpdaterTitle=" + std::string(260, 'T') +
                          "\n[UPDATE]\nCopyFile00=" + std::string(300, 'P') + "\n",
       {"UpdaterTitle: value of 260 bytes is cut to 259",
        "CopyFile00: value of 300 bytes is cut to 259",
        "CopyFile00: the target path is over 259 bytes even under C:\\"}},
      {"copy entries", std::string(CompleteSetup) +
                           "[UPDATE]\nCopyFile00=A:MOVIE\nCopyFile01=2:MOVIE\nCopyFile02=2, 1:MOVIE\nCopyFile03=x,MOVIE\n",
       {"CopyFile00: disk 'A' is no digit: the updater refuses the entry",
        "CopyFile01: disk 2 has no DiskCheckFile2 in SETUP.INI",
        "CopyFile02: the path begins with a blank: ' 1:MOVIE'",
        "CopyFile03: install mode 'x' is no digit: the entry never applies"}},
      {"numbers", std::string(CompleteSetup) + "[UPDATE]\nRequiredDiskSpace=64k\nOverwriteOnly=yes\nUpdateFile00=GAME.DAT\n",
       {"RequiredDiskSpace: not a number: reads as 64", "OverwriteOnly: not a number: reads as 0"}},
      {"big number", std::string(CompleteSetup) + "[UPDATE]\nRequiredDiskSpace=99999999999\nOverwriteOnly=-2147483649\n",
       {"RequiredDiskSpace: beyond the 32-bit range: reads as 2147483647",
        "OverwriteOnly: beyond the 32-bit range: reads as -2147483648"}},
      {"negative space", std::string(CompleteSetup) + "[UPDATE]\nRequiredDiskSpace=-1\nOverwriteOnly=-1\n",
       {"RequiredDiskSpace: negative: compared as 4294967295 bytes"}},
  };
  std::vector<std::string> files;
  for (const char *name : {"GAME.DAT", "SCRIPT.DAT", "game.dat", "LONGFILENAME.DAT", "LONGNAME1.DAT", "ゲーム.DAT"})
    files.push_back(Write(name, "data"));
  std::string setup = Write("SETUP.INI", "[SETUP]\nDiskCheckFile1=D1.ID\n");
  int n = 0;
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    std::string script = Write("UPDATE" + std::to_string(n++) + ".INI", r.script);
    std::vector<std::string> args = {script, "--setup", setup};
    args.insert(args.end(), files.begin(), files.end());
    CheckRun run = Check(args);
    Lines expected;
    for (const std::string &line : r.expected) expected.push_back(script + ": " + line);
    EXPECT_EQ(run.lines, expected);
    EXPECT_EQ(run.status, r.expected.empty() ? 0 : 1);
  }
}

// Without a file list the members are not looked up; without --setup the
// disks are not.
TEST_F(QpkCheck, WhatIsNotGivenIsNotChecked) {
  std::string script = Write("UPDATE.INI", std::string(CompleteSetup) + "[UPDATE]\nUpdateFile00=MISSING.DAT\nCopyFile00=5:MOVIE\n");
  CheckRun run = Check({script});
  EXPECT_EQ(run.lines, Lines{});
  EXPECT_EQ(run.status, 0);
}

TEST_F(QpkCheck, ArchiveGivesTheScriptAndTheMembers) {
  std::string script = Write("UPDATE.INI", std::string(CompleteSetup) + "[UPDATE]\nUpdateFile00=GAME.DAT\nUpdateFile01=u,NEW.DAT\n");
  std::string game = Write("GAME.DAT", "data");
  std::string archive = world_.HostPath(world_.Path("UPDATE.QPK"));
  ASSERT_EQ(QpkPack({"-o", archive, script, game}), QpkOk);
  CheckRun run = Check({archive});
  EXPECT_EQ(run.lines, Lines{"UPDATE.INI: UpdateFile01: member 'NEW.DAT' is not in the archive"});
  EXPECT_EQ(run.status, 1);
}

TEST_F(QpkCheck, Usage) {
  std::string script = Write("UPDATE.INI", CompleteSetup);
  std::string archive = world_.HostPath(world_.Path("UPDATE.QPK"));
  ASSERT_EQ(QpkPack({"-o", archive, script}), QpkOk);
  struct {
    std::vector<std::string> args;
    int status;
  } rows[] = {
      {{}, 2},
      {{script, "--setup"}, 2},
      {{script, "--bogus"}, 2},
      {{world_.HostPath(world_.Path("NONE.INI"))}, 2},
      {{script, "--setup", world_.HostPath(world_.Path("NONE.INI"))}, 2},
      {{archive, script}, 2},
      {{script}, 0},
      {{archive}, 0},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.args));
    CheckRun run = Check(r.args);
    EXPECT_EQ(run.status, r.status);
    EXPECT_EQ(run.lines, Lines{});
  }
  CheckRun help = Check({"--help"});
  EXPECT_EQ(help.status, 0);
  ASSERT_FALSE(help.lines.empty());
  EXPECT_EQ(help.lines[0].rfind("usage: qpk check", 0), 0u);
}

}  // namespace
