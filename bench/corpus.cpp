#include "bench/corpus.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

const std::vector<std::string> &CorpusClassNames() {
  static const std::vector<std::string> names = {"pe", "text", "sjis", "bmp", "wav", "synthetic"};
  return names;
}

bool LoadCorpus(const std::string &dir, std::vector<CorpusClass> *classes, std::string *error) {
  classes->clear();
  for (const std::string &name : CorpusClassNames()) {
    CorpusClass cls;
    cls.name = name;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const fs::directory_entry &entry : fs::directory_iterator(fs::path(dir) / name, ec))
      if (entry.is_regular_file()) files.push_back(entry.path());
    if (ec || files.empty()) {
      *error = "corpus class '" + name + "' is missing or empty in " + dir;
      return false;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path &path : files) {
      std::ifstream in(path, std::ios::binary);
      CorpusMember member;
      member.name = path.filename().string();
      member.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if (!in.good() && !in.eof()) {
        *error = "cannot read " + path.string();
        return false;
      }
      cls.bytes += member.data.size();
      cls.largest = std::max(cls.largest, member.data.size());
      cls.members.push_back(std::move(member));
    }
    classes->push_back(std::move(cls));
  }
  return true;
}
