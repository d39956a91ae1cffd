#include "bench/report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace {

constexpr double kMega = 1e6;  // MB and MB/s are 10^6 bytes
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kKiB = 1024.0;

std::string Format(const char *format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

double Mbps(uint64_t bytes, double seconds) { return seconds > 0 ? bytes / seconds / kMega : 0; }
double EncodeMbps(const ResultRow &row) { return Mbps(row.input_bytes, row.encode_seconds); }
double DecodeMbps(const ResultRow &row) { return Mbps(row.input_bytes, row.decode_seconds); }

const ResultRow *Find(const std::vector<ResultRow> &rows, const std::string &cls, const std::string &codec,
                      const std::string &level) {
  for (const ResultRow &row : rows)
    if (row.cls == cls && row.codec == codec && row.level == level) return &row;
  return nullptr;
}

// The fastest decode of one peer in a class: the reference a decode target
// is held against, so the ratio never flatters ours.
double FastestDecode(const std::vector<ResultRow> &rows, const std::string &cls, const std::string &family) {
  double best = 0;
  for (const ResultRow &row : rows)
    if (row.cls == cls && row.in_table && row.codec.compare(0, family.size(), family) == 0)
      best = std::max(best, DecodeMbps(row));
  return best;
}

std::string Ratio(double value, double reference) {
  return reference > 0 && value > 0 ? Format("%.2f", value / reference) : "-";
}

const Figure *FindFigure(const std::vector<Figure> &figures, const std::string &name) {
  for (const Figure &figure : figures)
    if (figure.name == name) return &figure;
  return nullptr;
}

// "met" or how far off, for a measured/limit pair where higher is better
// (at_least) or lower is better.
TargetCheck Compare(const std::string &what, double measured, double limit, bool at_least, const std::string &shown,
                    const std::string &required) {
  TargetCheck check;
  check.what = what;
  check.measured = measured > 0 && limit > 0;
  if (!check.measured) {
    check.detail = "not measured";
    return check;
  }
  check.met = at_least ? measured >= limit : measured <= limit;
  check.detail = shown + " (target " + required + ")";
  if (!check.met) {
    double off = at_least ? (limit - measured) / limit : (measured - limit) / limit;
    check.detail += ", missed by " + Format("%.1f%%", off * 100);
  }
  return check;
}

// Whole numbers (byte counts) in full, others with four decimals.
std::string FigureValue(double value) {
  if (value == (double)(long long)value) return Format("%.0f", value);
  return Format("%.4f", value);
}

std::string JsonString(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

void AddTotals(std::vector<ResultRow> *rows) {
  std::vector<ResultRow> totals;
  for (const ResultRow &row : *rows) {
    auto it = std::find_if(totals.begin(), totals.end(),
                           [&](const ResultRow &t) { return t.codec == row.codec && t.level == row.level; });
    if (it == totals.end()) {
      ResultRow total = row;
      total.cls = "total";
      totals.push_back(total);
      continue;
    }
    it->input_bytes += row.input_bytes;
    it->output_bytes += row.output_bytes;
    it->encode_seconds += row.encode_seconds;
    it->decode_seconds += row.decode_seconds;
  }
  rows->insert(rows->end(), totals.begin(), totals.end());
}

std::vector<Figure> ReadFigures(const std::string &path) {
  std::vector<Figure> figures;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    std::string field;
    while (std::getline(split, field, '\t')) fields.push_back(field);
    if (fields.size() < 3 || fields[0].empty() || fields[0][0] == '#') continue;
    Figure figure;
    figure.name = fields[0];
    figure.value = std::strtod(fields[1].c_str(), nullptr);
    figure.unit = fields[2];
    if (fields.size() > 3) figure.description = fields[3];
    figures.push_back(figure);
  }
  return figures;
}

std::vector<TargetCheck> CheckTargets(const std::vector<ResultRow> &rows, const std::vector<Figure> &figures) {
  std::vector<TargetCheck> checks;
  const ResultRow *fast = Find(rows, "total", "qpk", "1");
  const ResultRow *best = Find(rows, "total", "qpk", "9");
  const ResultRow *zlib1 = Find(rows, "total", "zlib", "1");
  const ResultRow *zlib9 = Find(rows, "total", "zlib", "9");
  const ResultRow *lz4 = Find(rows, "total", "lz4", "fast");
  const ResultRow *lz4hc = Find(rows, "total", "lz4hc", "12");
  if (!fast || !best || !zlib1 || !zlib9 || !lz4 || !lz4hc) return checks;

  double zlib_decode = FastestDecode(rows, "total", "zlib");
  double lz4_decode = FastestDecode(rows, "total", "lz4");
  double decode = DecodeMbps(*best);
  checks.push_back(Compare("best-level decode vs zlib inflate (fastest zlib decode)", decode / zlib_decode, 2.5,
                           true, Format("%.2fx", decode / zlib_decode), ">= 2.50x"));
  checks.push_back(Compare("best-level decode vs LZ4 decompress (fastest LZ4 decode)", decode / lz4_decode, 0.40,
                           true, Format("%.2fx", decode / lz4_decode), ">= 0.40x"));
  double best_vs_hc = (double)best->output_bytes / lz4hc->output_bytes;
  checks.push_back(Compare("best-level size vs LZ4HC 12", best_vs_hc, 1.0, false, Format("%.3fx", best_vs_hc),
                           "<= 1.000x"));
  double best_vs_zlib = (double)best->output_bytes / zlib9->output_bytes;
  checks.push_back(Compare("best-level size vs zlib 9", best_vs_zlib, 1.25, false, Format("%.3fx", best_vs_zlib),
                           "<= 1.250x"));
  double fast_speed = EncodeMbps(*fast) / EncodeMbps(*zlib1);
  checks.push_back(Compare("fast-level encode speed vs zlib 1", fast_speed, 1.0, true, Format("%.2fx", fast_speed),
                           ">= 1.00x"));
  double fast_vs_lz4 = (double)fast->output_bytes / lz4->output_bytes;
  checks.push_back(Compare("fast-level size vs LZ4 fast", fast_vs_lz4, 1.0, false, Format("%.3fx", fast_vs_lz4),
                           "<= 1.000x"));

  const Figure *rss = FindFigure(figures, "extract_peak_rss");
  const Figure *archive = FindFigure(figures, "extract_archive_size");
  const Figure *member = FindFigure(figures, "extract_member_size");
  if (rss && archive && member) {
    double limit = archive->value + member->value + 8 * kMiB;
    checks.push_back(Compare("qpk extract peak memory vs archive + member + 8 MiB", rss->value, limit, false,
                             Format("%.1f MiB", rss->value / kMiB), "<= " + Format("%.1f MiB", limit / kMiB)));
  } else {
    checks.push_back({"qpk extract peak memory vs archive + member + 8 MiB", false, false, "not measured"});
  }
  const Figure *run = FindFigure(figures, "update_run_seconds");
  const Figure *cp = FindFigure(figures, "cp_seconds");
  if (run && cp && cp->value > 0) {
    double ratio = run->value / cp->value;
    checks.push_back(Compare("update run vs cp of the same files", ratio, 1.5, false, Format("%.2fx", ratio),
                             "<= 1.50x"));
  } else {
    checks.push_back({"update run vs cp of the same files", false, false, "not measured"});
  }
  const Figure *stub = FindFigure(figures, "updater_stub_size");
  if (stub) {
    // Strictly under 96 KiB: the limit itself does not pass.
    checks.push_back(Compare("updater.exe without payload", stub->value, 96 * kKiB - 1, false,
                             Format("%.1f KiB", stub->value / kKiB), "< 96 KiB"));
  } else {
    checks.push_back({"updater.exe without payload", false, false, "not measured"});
  }
  return checks;
}

std::string FormatTable(const std::vector<ResultRow> &rows) {
  std::string out =
      "| class | codec | level | input MB | output MB | out/in | size / zlib 9 | encode MB/s | encode / zlib 1 "
      "| decode MB/s | decode / zlib | decode / LZ4 | decode / memcpy |\n"
      "|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const ResultRow &row : rows) {
    if (!row.in_table) continue;
    const ResultRow *zlib9 = Find(rows, row.cls, "zlib", "9");
    const ResultRow *zlib1 = Find(rows, row.cls, "zlib", "1");
    const ResultRow *copy = Find(rows, row.cls, "memcpy", "-");
    bool is_copy = row.codec == "memcpy";
    out += "| " + row.cls + " | " + row.codec + " | " + row.level + " | " +
           Format("%.2f", row.input_bytes / kMega) + " | " + Format("%.2f", row.output_bytes / kMega) + " | " +
           Format("%.3f", (double)row.output_bytes / row.input_bytes) + " | " +
           (is_copy || !zlib9 ? "-" : Ratio((double)row.output_bytes, (double)zlib9->output_bytes)) + " | " +
           Format("%.1f", EncodeMbps(row)) + " | " +
           (is_copy || !zlib1 ? "-" : Ratio(EncodeMbps(row), EncodeMbps(*zlib1))) + " | " +
           Format("%.1f", DecodeMbps(row)) + " | " + Ratio(DecodeMbps(row), FastestDecode(rows, row.cls, "zlib")) +
           " | " + Ratio(DecodeMbps(row), FastestDecode(rows, row.cls, "lz4")) + " | " +
           (copy ? Ratio(DecodeMbps(row), DecodeMbps(*copy)) : "-") + " |\n";
  }
  return out;
}

std::string FormatLevels(const std::vector<ResultRow> &rows) {
  std::string out =
      "| level | output MB | out/in | size / zlib 9 | encode MB/s | decode MB/s |\n"
      "|---:|---:|---:|---:|---:|---:|\n";
  const ResultRow *zlib9 = Find(rows, "total", "zlib", "9");
  std::vector<const ResultRow *> levels;
  for (const ResultRow &row : rows)
    if (row.cls == "total" && row.codec == "qpk") levels.push_back(&row);
  std::sort(levels.begin(), levels.end(),
            [](const ResultRow *a, const ResultRow *b) { return std::stoi(a->level) < std::stoi(b->level); });
  for (const ResultRow *row : levels)
    out += "| " + row->level + " | " + Format("%.2f", row->output_bytes / kMega) + " | " +
           Format("%.3f", (double)row->output_bytes / row->input_bytes) + " | " +
           (zlib9 ? Ratio((double)row->output_bytes, (double)zlib9->output_bytes) : "-") + " | " +
           Format("%.1f", EncodeMbps(*row)) + " | " + Format("%.1f", DecodeMbps(*row)) + " |\n";
  return out;
}

std::string FormatFigures(const std::vector<Figure> &figures) {
  if (figures.empty()) return "(none measured)\n";
  std::string out = "| figure | value | unit | what |\n|---|---:|---|---|\n";
  for (const Figure &figure : figures)
    out += "| " + figure.name + " | " + FigureValue(figure.value) + " | " + figure.unit + " | " +
           figure.description + " |\n";
  return out;
}

std::string FormatTargets(const std::vector<TargetCheck> &targets) {
  std::string out = "| target | result | measured |\n|---|---|---|\n";
  for (const TargetCheck &target : targets)
    out += "| " + target.what + " | " + (!target.measured ? "not measured" : target.met ? "met" : "missed") +
           " | " + target.detail + " |\n";
  return out;
}

std::string FormatJson(const std::vector<ResultRow> &rows, const std::vector<Figure> &figures) {
  std::string out = "[\n";
  bool first = true;
  auto separate = [&] {
    if (!first) out += ",\n";
    first = false;
  };
  for (const ResultRow &row : rows) {
    separate();
    out += "  {\"codec\": " + JsonString(row.codec) + ", \"level\": " + JsonString(row.level) +
           ", \"class\": " + JsonString(row.cls) + ", \"input_bytes\": " + std::to_string(row.input_bytes) +
           ", \"output_bytes\": " + std::to_string(row.output_bytes) +
           ", \"encode_mbps\": " + Format("%.3f", EncodeMbps(row)) +
           ", \"decode_mbps\": " + Format("%.3f", DecodeMbps(row)) + "}";
  }
  for (const Figure &figure : figures) {
    separate();
    out += "  {\"figure\": " + JsonString(figure.name) + ", \"value\": " + FigureValue(figure.value) +
           ", \"unit\": " + JsonString(figure.unit) + "}";
  }
  return out + "\n]\n";
}
