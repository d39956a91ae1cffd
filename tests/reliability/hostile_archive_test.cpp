// Damaged and hostile archives, each given to the updater as its resource
// and to qpk as a file.  The updater refuses an archive it cannot trust
// with "RESOURCE READ ERROR" and a member it cannot trust with the write
// failure; qpk says "damaged archive: REASON" (or names the member) with
// status 1 and writes no file for what it refused.  A case that is no
// damage (a name filling its field, flag bits that mean nothing) works
// through both.
#include "tests/app/updater_world.h"
#include "tests/archive/raw_archive.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const char kUnreadable[] = "RESOURCE READ ERROR";
const char kWriteFailed[] = "ファイルの書き込みに失敗しました";
const std::string kNewData = "new data";

std::string Script(const std::string &member) {
  return ScriptSetup() + "[UPDATE]\r\nUpdateFile00=" + member + "\r\n";
}


// The script and one member A.DAT, as the updater's archives are laid out
// (compressed index at the end).
std::vector<raw::Member> Members(raw::Member a = raw::Compressed("A.DAT", kNewData, kMemberTicks)) {
  return {raw::Plain("UPDATE.INI", Script(a.name.substr(0, a.name.find('\0'))), kMemberTicks),
          std::move(a)};
}

std::vector<uint8_t> Image(const std::vector<raw::Member> &members) {
  return raw::Archive(members, true);
}

uint32_t Get32(const std::vector<uint8_t> &v, size_t at) {
  return v[at] | v[at + 1] << 8 | v[at + 2] << 16 | (uint32_t)v[at + 3] << 24;
}

std::vector<uint8_t> WithHeaderField(std::vector<uint8_t> image, size_t at, uint32_t value) {
  raw::Put32(&image, at, value);
  return image;
}

// The same members with the index stream replaced.
std::vector<uint8_t> WithIndexStream(const std::vector<raw::Member> &members,
                                     const std::vector<uint8_t> &stream) {
  std::vector<uint8_t> image = Image(members);
  image.resize(Get32(image, 8));
  image.insert(image.end(), stream.begin(), stream.end());
  return image;
}

raw::Member WithStream(const std::string &name, uint32_t size, std::vector<uint8_t> stream) {
  raw::Member m = raw::Compressed(name, kNewData, kMemberTicks);
  m.size = size;
  m.stored = std::move(stream);
  return m;
}

// A long match at distance 1 as the stream's first code: before the start.
std::vector<uint8_t> DistanceBeforeStart() {
  return codec_test::StreamBuilder().Long(1, 3).End().Finish();
}

// Literals only, the end-of-stream code left out.
std::vector<uint8_t> NoEndCode(const std::string &bytes) {
  codec_test::StreamBuilder w;
  for (char c : bytes) w.Literal((uint8_t)c);
  return w.Finish();
}

// qpk extract on a file holding image: its status, its error lines, and
// the files it wrote.
struct QpkResult {
  int status = -1;
  std::string errors;
  std::vector<std::string> written;
};

class Scratch {
 public:
  Scratch() {
    char pattern[] = "/tmp/hostile-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};

QpkResult QpkExtract(const Scratch &scratch, const std::vector<uint8_t> &image) {
  namespace fs = std::filesystem;
  const std::string archive = scratch.path() + "/case.qpk", out = scratch.path() + "/out",
                    err = scratch.path() + "/err.txt";
  std::error_code ignored;
  fs::remove_all(out, ignored);
  std::ofstream(archive, std::ios::binary).write((const char *)image.data(), image.size());

  QpkResult r;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> args = {QPK_COMMAND, "extract", archive, out};
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, QPK_COMMAND, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(child, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  std::stringstream text;
  text << std::ifstream(err).rdbuf();
  r.errors = text.str();
  for (const fs::directory_entry &entry : fs::directory_iterator(out, ignored))
    r.written.push_back(entry.path().filename().string());
  std::sort(r.written.begin(), r.written.end());
  return r;
}

class HostileArchive : public UpdaterWorld {
 protected:
  // The updater with image as its resource, through the whole wizard.
  int RunWith(const std::vector<uint8_t> &image) {
    Renew();
    SimSetDriveFreeSpace('C', 1ull << 30, 1ull << 31, 1ull << 30);
    EXPECT_TRUE(WriteFileBytes(inst_ + "\\A.DAT", "old"));
    SimAddResource(102, "UPDATE", image.data(), (DWORD)image.size());
    SimScriptDialog({SimPress(1), SimPress(1), SimPress(1)});
    return RunUpdater();
  }
  void CheckLeftNothing() {
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(SimLiveBlocks(), 0);
    EXPECT_EQ(SimOpenHandleCount(), 0);
  }
  Scratch scratch_;
};

TEST_F(HostileArchive, EveryTruncationIsRefusedByBoth) {
  const std::vector<uint8_t> whole = Image(Members());
  ASSERT_EQ(RunWith(whole), 1);  // the uncut archive works
  ASSERT_EQ(ReadFileBytes(inst_ + "\\A.DAT"), kNewData);
  const std::string prefix = "qpk: " + scratch_.path() + "/case.qpk: damaged archive: ";
  printf("hostile archives: %zu truncations, each through the updater and qpk\n", whole.size());
  for (size_t n = 0; n < whole.size(); n++) {
    SCOPED_TRACE("cut to " + std::to_string(n) + " of " + std::to_string(whole.size()));
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + (long)n);
    EXPECT_EQ(RunWith(cut), 0);
    // A resource of no bytes is no resource at all.
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{n == 0 ? "UPDATE.QPK not found" : kUnreadable});
    EXPECT_EQ(ReadFileBytes(inst_ + "\\A.DAT"), "old");
    CheckLeftNothing();
    const QpkResult q = QpkExtract(scratch_, cut);
    EXPECT_EQ(q.status, 1);
    EXPECT_EQ(q.errors.rfind(prefix, 0), 0u) << q.errors;
    EXPECT_EQ(std::count(q.errors.begin(), q.errors.end(), '\n'), 1) << q.errors;
    EXPECT_TRUE(q.written.empty());
  }
}

TEST_F(HostileArchive, DamagedFieldsAndStreams) {
  const std::vector<uint8_t> good = Image(Members());
  const uint32_t size = (uint32_t)good.size(), index_offset = Get32(good, 8);
  auto member = [](auto change) {
    raw::Member m = raw::Compressed("A.DAT", kNewData, kMemberTicks);
    change(m);
    return m;
  };
  auto plain = [](auto change) {
    raw::Member m = raw::Plain("A.DAT", kNewData, kMemberTicks);
    change(m);
    return m;
  };
  // Records for two members behind a count of two: one too few or too many.
  std::vector<raw::Member> three = Members();
  three.push_back(raw::Plain("B.DAT", "b", kMemberTicks));
  const std::vector<uint8_t> one_record =
      raw::LiteralStream(raw::Records({Members()[0]}));
  const std::vector<uint8_t> three_records = raw::LiteralStream(raw::Records(three));

  struct Case {
    std::string name;
    std::vector<uint8_t> image;
    std::string refusal;  // "" : both work; "archive: R" or "A.DAT: R"
    std::string installed = kNewData;  // A.DAT after a working run
    bool updater_only = false;  // qpk's outcome hangs on the host's free space
  };
  const Case cases[] = {
      // Header fields.
      {"flags 0: the compressed index read as records", WithHeaderField(good, 4, 0),
       "archive: member data outside the archive"},
      {"flags all ones: only bit 0 counts", WithHeaderField(good, 4, 0xFFFFFFFFu), ""},
      {"index offset 0", WithHeaderField(good, 8, 0), "archive: index offset outside the archive"},
      {"index offset at the image's end", WithHeaderField(good, 8, size),
       "archive: damaged index stream"},
      {"index offset past the image", WithHeaderField(good, 8, size + 1),
       "archive: index offset outside the archive"},
      {"index offset all ones", WithHeaderField(good, 8, 0xFFFFFFFFu),
       "archive: index offset outside the archive"},
      {"index offset inside the members", WithHeaderField(good, 8, index_offset - 16),
       "archive: damaged index stream"},
      {"entry count 0", WithHeaderField(good, 12, 0), "archive: damaged index stream"},
      {"entry count one more: the index decodes short", WithHeaderField(good, 12, 3),
       "archive: damaged index stream"},
      {"entry count all ones", WithHeaderField(good, 12, 0xFFFFFFFFu),
       "archive: entry count too large"},
      {"entry count past what 32 bits hold", WithHeaderField(good, 12, 0x08000000u),
       "archive: entry count too large"},
      {"index stream decodes short", WithIndexStream(Members(), one_record),
       "archive: damaged index stream"},
      {"index stream decodes long", WithIndexStream(Members(), three_records),
       "archive: damaged index stream"},
      {"index stream reaches before its start", WithIndexStream(Members(), DistanceBeforeStart()),
       "archive: damaged index stream"},
      {"index stream without end code",
       WithIndexStream(Members(), NoEndCode(std::string((const char *)raw::Records(Members()).data(), 64))),
       "archive: damaged index stream"},
      // Entry fields.
      {"stored size 0", Image(Members(member([](raw::Member &m) { m.stored.clear(); }))),
       "A.DAT: damaged member stream"},
      {"first member's stored bytes run into the index",
       [&] {
         std::vector<uint8_t> records = raw::Records(Members());
         raw::Put32(&records, 28, index_offset - ARCHIVE_HEADER_SIZE + 1);
         return WithIndexStream(Members(), raw::LiteralStream(records));
       }(),
       "archive: member data outside the archive"},
      {"stored size all ones",
       [&] {
         std::vector<uint8_t> records = raw::Records(Members());
         raw::Put32(&records, 32 + 28, 0xFFFFFFFFu);
         return WithIndexStream(Members(), raw::LiteralStream(records));
       }(),
       "archive: member data outside the archive"},
      {"stored size past the image",
       [&] {
         std::vector<uint8_t> records = raw::Records(Members());
         raw::Put32(&records, 32 + 28, size);
         return WithIndexStream(Members(), raw::LiteralStream(records));
       }(),
       "archive: member data outside the archive"},
      {"plain size 0: an empty file", Image(Members(plain([](raw::Member &m) { m.size = 0; }))), "",
       ""},
      {"plain size larger than stored", Image(Members(plain([](raw::Member &m) { m.size++; }))),
       "A.DAT: plain member larger than its stored bytes"},
      {"plain size all ones",
       Image(Members(plain([](raw::Member &m) { m.size = 0xFFFFFFFFu; }))),
       "A.DAT: space", kNewData, true},
      {"compressed size 0", Image(Members(member([](raw::Member &m) { m.size = 0; }))),
       "A.DAT: damaged member stream"},
      {"compressed size one short: output past it",
       Image(Members(member([](raw::Member &m) { m.size--; }))), "A.DAT: damaged member stream"},
      {"compressed size one more: decodes short",
       Image(Members(member([](raw::Member &m) { m.size++; }))), "A.DAT: damaged member stream"},
      {"plain bytes flagged compressed (flags all ones)",
       Image(Members(plain([](raw::Member &m) { m.flags = 0xFF; }))),
       "A.DAT: damaged member stream"},
      {"flags 0: plain", Image(Members(plain([](raw::Member &m) { m.flags = 0; }))), ""},
      {"time all ones",
       Image(Members(member([](raw::Member &m) { m.time = 0xFFFFFFFFFFFFFFFFull; }))), ""},
      {"name fills the 15-byte field without a NUL",
       Image(Members(member([](raw::Member &m) { m.name = "ABCDEFGHIJ.DATA"; }))), "", ""},
      // Member streams.
      {"member stream reaches before its start",
       Image(Members(WithStream("A.DAT", 3, DistanceBeforeStart()))),
       "A.DAT: damaged member stream"},
      {"member stream writes past its size",
       Image(Members(WithStream("A.DAT", 4, raw::LiteralStream(Bytes(kNewData))))),
       "A.DAT: damaged member stream"},
      {"member stream without end code",
       Image(Members(WithStream("A.DAT", (uint32_t)kNewData.size(), NoEndCode(kNewData)))),
       "A.DAT: damaged member stream"},
  };
  const std::string archive_path = scratch_.path() + "/case.qpk";
  printf("hostile archives: %zu damaged fields and streams\n", std::size(cases));
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const bool archive_refused = c.refusal.rfind("archive: ", 0) == 0;
    const bool member_refused = !c.refusal.empty() && !archive_refused;
    const int exit_code = RunWith(c.image);
    if (archive_refused) {
      EXPECT_EQ(BoxTexts(), std::vector<std::string>{kUnreadable});
    } else if (c.refusal == "A.DAT: space") {
      EXPECT_EQ(BoxTexts(),
                (std::vector<std::string>{
                    "ディスク容量が足りません。C: ドライブに -1073741825 バイトの空き容量が必要です",
                    kWriteFailed, kAborted}));
    } else if (member_refused) {
      EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kWriteFailed, kAborted}));
    } else {
      EXPECT_EQ(BoxTexts(), std::vector<std::string>{});
    }
    EXPECT_EQ(exit_code, c.refusal.empty() ? 1 : 0);
    if (c.name.find("15-byte") != std::string::npos)
      EXPECT_EQ(ReadFileBytes(inst_ + "\\ABCDEFGHIJ.DATA"), kNewData);
    else
      EXPECT_EQ(ReadFileBytes(inst_ + "\\A.DAT"), c.refusal.empty() ? c.installed : "old");
    CheckLeftNothing();

    if (c.updater_only) continue;
    const QpkResult q = QpkExtract(scratch_, c.image);
    if (archive_refused) {
      EXPECT_EQ(q.status, 1);
      EXPECT_EQ(q.errors, "qpk: " + archive_path + ": damaged archive: " + c.refusal.substr(9) + "\n");
      EXPECT_TRUE(q.written.empty());
    } else if (member_refused) {
      EXPECT_EQ(q.status, 1);
      EXPECT_EQ(q.errors, "qpk: " + archive_path + ": " + c.refusal + "\n");
      EXPECT_EQ(q.written, std::vector<std::string>{"UPDATE.INI"});
    } else {
      EXPECT_EQ(q.status, 0) << q.errors;
      EXPECT_EQ(q.errors, "");
      EXPECT_EQ(q.written.size(), 2u);
    }
  }
}

}  // namespace
