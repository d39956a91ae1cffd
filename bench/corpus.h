// The benchmark corpus as loaded into memory: one class per folder of the
// corpus, one member per file (bench/make_corpus.sh builds the folders).
#ifndef BENCH_CORPUS_H
#define BENCH_CORPUS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CorpusMember {
  std::string name;
  std::vector<uint8_t> data;
};

struct CorpusClass {
  std::string name;
  std::vector<CorpusMember> members;
  size_t bytes = 0;
  size_t largest = 0;
};

// The classes in table order; every one must exist and hold at least one
// file, so a broken corpus build cannot pass for a small corpus.
const std::vector<std::string> &CorpusClassNames();

// Loads the classes from dir; on failure returns false with why in *error.
bool LoadCorpus(const std::string &dir, std::vector<CorpusClass> *classes, std::string *error);

#endif
