// The extracted script while the updater waits on a page: other programs
// may read it, but no way of changing it works, so the run carries out the
// script that came out of the archive.  A second updater started meanwhile
// (a process of its own) keeps its own script and leaves the first's alone.
#include "tests/app/updater_world.h"

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

class ScriptOnDisk : public UpdaterWorld {
 protected:
  std::string Script(const std::string &file) {
    return ScriptSetup() + "[UPDATE]\r\nUpdateFile00=" + file + "\r\n";
  }
};

TEST_F(ScriptOnDisk, OthersMayReadButNotRewriteReplaceOrDelete) {
  const std::string temp = world_->Path("Temp");
  const std::string script = Script("A.DAT");
  // What another program would put in its place: an update of its own.
  const std::string planted = Script("EVIL.DAT");
  ASSERT_TRUE(WriteFileBytes(temp + "\\PLANTED.INI", planted));
  SetArchive(script, {{"A.DAT", "new"}, {"EVIL.DAT", "evil"}});

  struct Attempt {
    const char *name;
    std::function<bool(const std::string &path)> succeeds;
  };
  auto opens = [](const std::string &path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    if (access & GENERIC_WRITE) WriteFile(h, "x", 1, &written, nullptr);
    CloseHandle(h);
    return true;
  };
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const Attempt changes[] = {
      {"open for writing",
       [&](const std::string &p) { return opens(p, GENERIC_WRITE, all, OPEN_EXISTING); }},
      {"open for reading and writing",
       [&](const std::string &p) {
         return opens(p, GENERIC_READ | GENERIC_WRITE, all, OPEN_ALWAYS);
       }},
      {"create over it",
       [&](const std::string &p) { return opens(p, GENERIC_WRITE, all, CREATE_ALWAYS); }},
      {"cut it to nothing",
       [&](const std::string &p) { return opens(p, GENERIC_WRITE, all, TRUNCATE_EXISTING); }},
      {"move another file over it",
       [&](const std::string &p) {
         return MoveFileExA((temp + "\\PLANTED.INI").c_str(), p.c_str(),
                            MOVEFILE_REPLACE_EXISTING) != 0;
       }},
      {"move it away",
       [&](const std::string &p) {
         return MoveFileExA(p.c_str(), (temp + "\\AWAY.INI").c_str(), 0) != 0;
       }},
      {"delete it", [](const std::string &p) { return DeleteFileA(p.c_str()) != 0; }},
  };

  std::string path;
  std::vector<std::string> succeeded;
  std::optional<std::string> read_back;
  bool shared_read = false;
  SimScriptDialog({SimPress(1),  // the confirmation page waits
                   SimDo([&] {
                     path = InstallSettings.ScriptPath;
                     for (const Attempt &a : changes)
                       if (a.succeeds(path)) succeeded.push_back(a.name);
                     read_back = ReadFileBytes(path);
                     shared_read = opens(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
                   }),
                   SimPress(1), SimPress(1)});
  EXPECT_EQ(RunUpdater(), 1);
  EXPECT_EQ(succeeded, std::vector<std::string>{});
  EXPECT_EQ(read_back, script);
  EXPECT_TRUE(shared_read);
  // The run carried out the archive's script, not the planted one.
  EXPECT_EQ(ReadFileBytes(inst_ + "\\A.DAT"), "new");
  EXPECT_FALSE(Exists(inst_ + "\\EVIL.DAT"));
  // Gone at the end; the other program's files are its own business.
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(TempFiles(), std::vector<std::string>{"PLANTED.INI"});
}

// The second updater is a process of its own (a fork of this one, with the
// first's wizard open in its copy of the world's windows), as when the
// user starts the updater again.  It finds the first's wizard, raises it
// and stops; its own script has a name of its own and is gone when it has
// exited, and the first goes on reading its script to the end of its run.
TEST_F(ScriptOnDisk, TwoUpdatersStartedOneAfterTheOtherKeepSeparateScripts) {
  const std::string script = Script("A.DAT");
  SetArchive(script, {{"A.DAT", "new"}});

  struct Second {
    int exit_code = -1;
    std::string script_path;
    bool raised_first = false;
    size_t boxes = 0;
  } second;
  std::string first_path;
  std::optional<std::string> first_after_second;
  bool second_ran = false;
  SimScriptDialog({SimDo([&] {
                     first_path = InstallSettings.ScriptPath;
                     int pipe_fds[2];
                     ASSERT_EQ(pipe(pipe_fds), 0);
                     pid_t child = fork();
                     ASSERT_GE(child, 0);
                     if (child == 0) {
                       close(pipe_fds[0]);
                       SimMessageBoxLog().clear();
                       SimWindowLog().clear();
                       int code = RunUpdater();
                       bool raised = false;
                       for (const std::string &line : SimWindowLog())
                         raised = raised || line == std::string("SetForegroundWindow ") + kCaption;
                       std::string report = std::to_string(code) + "\n" +
                                            std::to_string(raised) + "\n" +
                                            std::to_string(SimMessageBoxLog().size()) + "\n" +
                                            InstallSettings.ScriptPath;
                       ssize_t ignored = write(pipe_fds[1], report.data(), report.size());
                       (void)ignored;
                       _exit(0);
                     }
                     close(pipe_fds[1]);
                     std::string report;
                     char chunk[512];
                     ssize_t n;
                     while ((n = read(pipe_fds[0], chunk, sizeof chunk)) > 0) report.append(chunk, n);
                     close(pipe_fds[0]);
                     int status = 0;
                     ASSERT_EQ(waitpid(child, &status, 0), child);
                     ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                     size_t a = report.find('\n'), b = report.find('\n', a + 1),
                            c = report.find('\n', b + 1);
                     ASSERT_NE(c, std::string::npos) << report;
                     second.exit_code = std::stoi(report.substr(0, a));
                     second.raised_first = report.substr(a + 1, b - a - 1) == "1";
                     second.boxes = std::stoul(report.substr(b + 1, c - b - 1));
                     second.script_path = report.substr(c + 1);
                     second_ran = true;
                     first_after_second = ReadFileBytes(first_path);
                   }),
                   SimPress(1), SimPress(1), SimPress(1)});
  EXPECT_EQ(RunUpdater(), 1);
  ASSERT_TRUE(second_ran);
  EXPECT_EQ(second.exit_code, 0);
  EXPECT_TRUE(second.raised_first);
  EXPECT_EQ(second.boxes, 0u);
  EXPECT_EQ(second.script_path.rfind(world_->Path("Temp") + "\\UPD", 0), 0u) << second.script_path;
  EXPECT_NE(second.script_path, first_path);
  EXPECT_EQ(first_after_second, script);
  // The first read its [UPDATE] section after the second had gone.
  EXPECT_EQ(ReadFileBytes(inst_ + "\\A.DAT"), "new");
  EXPECT_TRUE(TempFiles().empty());
}

}  // namespace
