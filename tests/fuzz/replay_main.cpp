/* Replays saved inputs through a fuzz target without libFuzzer, so that
 * the seeds and every input that once crashed run as an ordinary test
 * with any compiler.  Arguments are files or folders (every regular file
 * inside, in name order); a broken invariant aborts, as under the fuzzer. */
#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static bool ReadInput(const std::string &path, std::vector<uint8_t> &bytes) {
  FILE *file = fopen(path.c_str(), "rb");
  if (!file) return false;
  uint8_t chunk[4096];
  size_t n;
  bytes.clear();
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  fclose(file);
  return true;
}

static void Collect(const std::string &path, std::vector<std::string> &files) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return;
  if (!S_ISDIR(info.st_mode)) {
    files.push_back(path);
    return;
  }
  std::vector<std::string> inside;
  if (DIR *folder = opendir(path.c_str())) {
    while (struct dirent *entry = readdir(folder)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string full = path + "/" + name;
      if (stat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode)) inside.push_back(full);
    }
    closedir(folder);
  }
  std::sort(inside.begin(), inside.end());
  files.insert(files.end(), inside.begin(), inside.end());
}

int main(int argc, char **argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; i++) {
    size_t before = files.size();
    Collect(argv[i], files);
    if (files.size() == before) {
      fprintf(stderr, "%s: no inputs in %s\n", argv[0], argv[i]);
      return 1;
    }
  }
  std::vector<uint8_t> bytes;
  for (const std::string &file : files) {
    if (!ReadInput(file, bytes)) {
      fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
      return 1;
    }
    fprintf(stderr, "replay %s (%zu bytes)\n", file.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  printf("%zu inputs replayed\n", files.size());
  return 0;
}
