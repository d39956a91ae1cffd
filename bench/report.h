// The benchmark's results: rows per codec, level and corpus class, the other
// figures measured by scripts/bench.sh, the targets checked against them,
// and their forms as a printed table, results.md and results.json.
#ifndef BENCH_REPORT_H
#define BENCH_REPORT_H

#include <cstdint>
#include <string>
#include <vector>

struct ResultRow {
  std::string codec, level, cls;
  uint64_t input_bytes = 0, output_bytes = 0;
  // Seconds for one pass over the class's members (0: not measured).
  double encode_seconds = 0, decode_seconds = 0;
  bool in_table = true;  // false: round-tripped level shown in the level list only
};

struct Figure {
  std::string name;  // stable key, as results.json names it
  double value = 0;
  std::string unit;
  std::string description;  // for people; results.md only
};

struct TargetCheck {
  std::string what;
  bool measured = false;
  bool met = false;
  std::string detail;  // the measured ratio or value against the target
};

// Appends a "total" row for every codec and level: bytes and seconds summed
// over the classes, so a total throughput is the corpus over one pass.
void AddTotals(std::vector<ResultRow> *rows);

// Reads the figures file (one "key<TAB>value<TAB>unit<TAB>description" a
// line); a missing file gives no figures.
std::vector<Figure> ReadFigures(const std::string &path);

std::vector<TargetCheck> CheckTargets(const std::vector<ResultRow> &rows, const std::vector<Figure> &figures);

// The main table (markdown): every class, then the totals.
std::string FormatTable(const std::vector<ResultRow> &rows);
std::string FormatLevels(const std::vector<ResultRow> &rows);
std::string FormatFigures(const std::vector<Figure> &figures);
std::string FormatTargets(const std::vector<TargetCheck> &targets);

std::string FormatJson(const std::vector<ResultRow> &rows, const std::vector<Figure> &figures);

#endif
