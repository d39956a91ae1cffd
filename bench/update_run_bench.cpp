// The end-to-end figure: a whole native update run in the Linux test world
// (WinMain with the archive as its resource, the three wizard presses) that
// writes the archive's members into the installation folder, against cp of
// the same files into the same scratch drive, in the same process.
//
//   update_run_bench --archive UPDATE.QPK --files DIR [--rounds N]
//
// The archive holds UPDATE.INI, whose [UPDATE] entries name the members,
// and the members, which are also the files in DIR.  Each round times one
// update run in a fresh world and one cp; the fastest of each counts.  Every
// written file is compared with its source: a run that writes wrong bytes
// fails (exit 1).  Prints figure lines "key<TAB>value<TAB>unit<TAB>text".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/startup.h"
#include "archive/container.h"
#include "archive/extract.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_world.h"
#include "tests/support/test_world.h"

namespace fs = std::filesystem;

namespace {

// The installed game the script's [SETUP] section points to: its registry
// record and a SETUP.INI with every key the updater requires.
const char kRegistryKey[] = "Software\\BenchCo\\BenchGame";
const char kSetupIni[] =
    "[SETUP]\r\nCompanyName=BenchCo\r\nGameTitle=Bench\r\nGameDir=BenchGame\r\n"
    "GameExe=GAME.EXE\r\nUninstExe=UNINST.EXE\r\nSetupBmp=A.BMP\r\n"
    "InstallSelects=1\r\nInstallTitle0=Normal\r\nInstallFiles0=GAME.EXE\r\n"
    "Shortcuts=0\r\nGameClass=BenchWnd\r\nDiskCheckFile1=DISK1.ID\r\n";

std::vector<char> ReadHostFile(const fs::path &path) {
  std::error_code ec;
  uintmax_t size = fs::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) return {};
  std::vector<char> bytes(size);
  in.read(bytes.data(), (std::streamsize)size);
  if ((uintmax_t)in.gcount() != size) return {};
  return bytes;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Quoted(const std::string &text) { return "'" + text + "'"; }

// One update run in a fresh world; returns its seconds, or a negative
// value (with the reason on stderr) when it failed or wrote wrong bytes.
double TimeUpdateRun(const std::vector<char> &archive, const std::vector<fs::path> &files) {
  TestWorld world;
  std::string game = world.Path("Game");
  if (!MakeDir(game) || !WriteFileBytes(game + "\\SETUP.INI", kSetupIni)) {
    std::fprintf(stderr, "update_run_bench: cannot set up the installation\n");
    return -1;
  }
  SimRegSetString(HKEY_CURRENT_USER, kRegistryKey, "InstPath", game);
  SimRegSetString(HKEY_CURRENT_USER, kRegistryKey, "DataPath", world.Path("Data"));
  SimRegSetDword(HKEY_CURRENT_USER, kRegistryKey, "InstMode", 1);
  SimAddResource(102, "UPDATE", archive.data(), (DWORD)archive.size());
  // Opening page, confirmation, the run, then the completion page's button.
  SimScriptDialog({SimPress(1), SimPress(1), SimPress(1)});

  auto start = std::chrono::steady_clock::now();
  int exit_code = WinMain(SimModuleHandle(), nullptr, (LPSTR) "", 0);
  double seconds = Seconds(start);
  if (exit_code != 1) {
    std::fprintf(stderr, "update_run_bench: the update run ended with %d, not 1\n", exit_code);
    return -1;
  }
  for (const fs::path &file : files) {
    std::string written = world.HostPath(game + "\\" + file.filename().string());
    if (ReadHostFile(written) != ReadHostFile(file)) {
      std::fprintf(stderr, "update_run_bench: %s was not written as packed\n", file.filename().c_str());
      return -1;
    }
  }
  return seconds;
}

// cp of the same files into a fresh folder of a scratch drive like the one
// the update run writes to.
double TimeCopy(const std::vector<fs::path> &files) {
  TestWorld world;
  std::string target = world.HostPath(world.Path("Copy"));
  fs::create_directories(target);
  std::string command = "cp";
  for (const fs::path &file : files) command += " " + Quoted(file.string());
  command += " " + Quoted(target + "/");
  auto start = std::chrono::steady_clock::now();
  int status = std::system(command.c_str());
  double seconds = Seconds(start);
  return status == 0 ? seconds : -1;
}

// The decoding share of a run: every member loaded (allocated and decoded)
// from the archive in memory the way the update run loads it, nothing
// written.  Returns the seconds, or a negative value when a member does not
// load.
double TimeMemberLoads(const std::vector<char> &archive, const std::vector<fs::path> &files) {
  TestWorld world;
  ArchiveImage = (const BYTE *)archive.data();
  ArchiveImageSize = (DWORD)archive.size();
  LoadedIndex = OpenArchive();
  if (!LoadedIndex) return -1;
  double seconds = 0;
  for (const fs::path &file : files) {
    DWORD size = 0;
    auto start = std::chrono::steady_clock::now();
    BYTE *block = LoadMember(file.filename().c_str(), &size);
    seconds += Seconds(start);
    if (!block) return -1;
    GlobalFree(block);
  }
  GlobalFree(LoadedIndex);
  LoadedIndex = nullptr;
  return seconds;
}

}  // namespace

int main(int argc, char **argv) {
  std::string archive_path, files_dir;
  int rounds = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    if (arg == "--archive") archive_path = argv[i + 1];
    else if (arg == "--files") files_dir = argv[i + 1];
    else if (arg == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  if (archive_path.empty() || files_dir.empty()) {
    std::fprintf(stderr, "usage: update_run_bench --archive UPDATE.QPK --files DIR [--rounds N]\n");
    return 2;
  }
  std::vector<char> archive = ReadHostFile(archive_path);
  std::vector<fs::path> files;
  uint64_t bytes = 0;
  for (const fs::directory_entry &entry : fs::directory_iterator(files_dir)) {
    if (!entry.is_regular_file() || entry.path().filename() == "UPDATE.INI") continue;
    files.push_back(entry.path());
    bytes += entry.file_size();
  }
  std::sort(files.begin(), files.end());
  if (archive.empty() || files.empty()) {
    std::fprintf(stderr, "update_run_bench: no archive or no files\n");
    return 2;
  }

  double best_run = 0, best_copy = 0, best_load = 0;
  for (int round = 0; round < rounds; round++) {
    double run = TimeUpdateRun(archive, files);
    double copy = TimeCopy(files);
    double load = TimeMemberLoads(archive, files);
    if (run < 0 || copy < 0 || load < 0) return 1;
    best_run = round == 0 ? run : std::min(best_run, run);
    best_copy = round == 0 ? copy : std::min(best_copy, copy);
    best_load = round == 0 ? load : std::min(best_load, load);
  }
  std::printf("update_run_seconds\t%.4f\ts\twhole native update run writing %zu members, %.1f MB (fastest of %d)\n",
              best_run, files.size(), bytes / 1e6, rounds);
  std::printf("cp_seconds\t%.4f\ts\tcp of the same %zu files to the same kind of scratch drive (fastest of %d)\n",
              best_copy, files.size(), rounds);
  std::printf("update_run_load_seconds\t%.4f\ts\tthe run's members loaded and decoded in memory, nothing written (fastest of %d)\n",
              best_load, rounds);
  std::printf("update_run_bytes\t%llu\tbytes\tbytes the update run writes\n", (unsigned long long)bytes);
  return 0;
}
