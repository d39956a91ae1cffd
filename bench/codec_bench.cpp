// The codec benchmark: every codec of the table encodes and decodes every
// corpus class under Google Benchmark, in one run on one machine, and every
// level of our encoder round-trips the whole corpus.  A stream that does not
// decode to its input fails the run (exit 1): the figures of a codec that
// produces wrong data are worthless.
//
//   codec_bench --corpus DIR [--figures FILE] [--out DIR] [--min-time S]
//               [--decode-repetitions N] [--revision TEXT] [google benchmark flags]
//
// Each benchmark iteration is one pass over all members of a class, each
// member coded on its own as the archive stores it.  Decodes are repeated
// and the fastest repetition counts, which damps the noise of a shared
// machine; encodes run once for at least the minimum time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/codecs.h"
#include "bench/corpus.h"
#include "bench/report.h"

namespace {

struct Options {
  std::string corpus, figures, out = ".", revision;
  double min_time = 0.2;
  int decode_repetitions = 3;
};

// The encoded members of one codec and class, kept from its encode case
// for its decode case.
struct Encoded {
  std::vector<std::vector<uint8_t>> streams;
  uint64_t bytes = 0;
  bool sound = false;
};

std::vector<CorpusClass> corpus;
std::map<std::string, Encoded> encoded;  // by case key
std::vector<std::string> failures;

std::string CaseKey(const BenchCodec &codec, const CorpusClass &cls) {
  return codec.codec + "/" + codec.level + "/" + cls.name;
}

// Encodes every member of cls once into exact-size streams.
bool EncodeClass(const BenchCodec &codec, const CorpusClass &cls, std::vector<std::vector<uint8_t>> *streams) {
  streams->resize(cls.members.size());
  for (size_t i = 0; i < cls.members.size(); i++) {
    const std::vector<uint8_t> &data = cls.members[i].data;
    std::vector<uint8_t> &stream = (*streams)[i];
    stream.resize(codec.bound(data.size(), codec.level_value));
    size_t length = codec.encode(data.data(), data.size(), stream.data(), stream.size(), codec.level_value);
    if (length == 0) return false;
    stream.resize(length);
  }
  return true;
}

// Decodes every stream and compares it with its member; records a failure
// naming the first member that does not come back.
bool RoundTrips(const BenchCodec &codec, const CorpusClass &cls, const std::vector<std::vector<uint8_t>> &streams) {
  std::vector<uint8_t> scratch(cls.largest + 1);
  for (size_t i = 0; i < cls.members.size(); i++) {
    const std::vector<uint8_t> &data = cls.members[i].data;
    if (!codec.decode(streams[i].data(), streams[i].size(), scratch.data(), data.size()) ||
        std::memcmp(scratch.data(), data.data(), data.size()) != 0) {
      failures.push_back(codec.codec + " level " + codec.level + " does not round-trip " + cls.name + "/" +
                         cls.members[i].name);
      return false;
    }
  }
  return true;
}

void EncodeCase(benchmark::State &state, BenchCodec codec, const CorpusClass *cls) {
  std::vector<std::vector<uint8_t>> buffers(cls->members.size());
  std::vector<size_t> lengths(cls->members.size());
  for (size_t i = 0; i < buffers.size(); i++)
    buffers[i].resize(codec.bound(cls->members[i].data.size(), codec.level_value));
  bool encoded_all = true;
  for (auto _ : state) {
    for (size_t i = 0; i < buffers.size(); i++) {
      const std::vector<uint8_t> &data = cls->members[i].data;
      lengths[i] = codec.encode(data.data(), data.size(), buffers[i].data(), buffers[i].size(), codec.level_value);
      encoded_all &= lengths[i] != 0;
    }
    benchmark::ClobberMemory();
  }
  Encoded &result = encoded[CaseKey(codec, *cls)];
  result.streams.clear();
  result.bytes = 0;
  for (size_t i = 0; i < buffers.size(); i++) {
    result.streams.emplace_back(buffers[i].begin(), buffers[i].begin() + lengths[i]);
    result.bytes += lengths[i];
  }
  if (!encoded_all) {
    failures.push_back(codec.codec + " level " + codec.level + " failed to encode " + cls->name);
    state.SkipWithError("encode failed");
    return;
  }
  result.sound = RoundTrips(codec, *cls, result.streams);
  if (!result.sound) state.SkipWithError("round trip failed");
  state.SetBytesProcessed((int64_t)(state.iterations() * cls->bytes));
}

void DecodeCase(benchmark::State &state, BenchCodec codec, const CorpusClass *cls) {
  const Encoded &input = encoded[CaseKey(codec, *cls)];
  if (!input.sound) {
    state.SkipWithError("no sound streams to decode");
    return;
  }
  std::vector<uint8_t> scratch(cls->largest + 1);
  bool decoded_all = true;
  for (auto _ : state) {
    for (size_t i = 0; i < input.streams.size(); i++)
      decoded_all &= codec.decode(input.streams[i].data(), input.streams[i].size(), scratch.data(),
                                  cls->members[i].data.size());
    benchmark::DoNotOptimize(scratch.data());
    benchmark::ClobberMemory();
  }
  if (!decoded_all) {
    failures.push_back(codec.codec + " level " + codec.level + " failed to decode " + cls->name);
    state.SkipWithError("decode failed");
  }
  state.SetBytesProcessed((int64_t)(state.iterations() * cls->bytes));
}

// Keeps the fastest iteration time of every case, by its registered name,
// and shows progress on stderr instead of Google Benchmark's own table.
class Collector : public benchmark::BenchmarkReporter {
 public:
  std::map<std::string, double> seconds;

  bool ReportContext(const Context &) override { return true; }

  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      double per_pass = run.real_accumulated_time / (double)run.iterations;
      const std::string &name = run.run_name.function_name;
      auto it = seconds.find(name);
      if (it == seconds.end() || per_pass < it->second) seconds[name] = per_pass;
      std::fprintf(stderr, "bench: %-28s %9.3f ms/pass  %lld iterations\n", name.c_str(), per_pass * 1e3,
                   (long long)run.iterations);
    }
  }
};

// Our levels outside the table: one timed encode and decode pass per class
// and a full round trip, so no level ships untested on real data.
std::vector<ResultRow> RoundTripOtherLevels() {
  std::vector<ResultRow> rows;
  std::vector<std::string> table_levels;
  for (const BenchCodec &codec : TableCodecs())
    if (codec.codec == "qpk") table_levels.push_back(codec.level);
  for (int level = QpkLowestLevel(); level <= QpkHighestLevel(); level++) {
    BenchCodec codec = QpkCodec(level);
    if (std::find(table_levels.begin(), table_levels.end(), codec.level) != table_levels.end()) continue;
    for (const CorpusClass &cls : corpus) {
      std::vector<std::vector<uint8_t>> streams;
      auto start = std::chrono::steady_clock::now();
      bool ok = EncodeClass(codec, cls, &streams);
      auto encoded_at = std::chrono::steady_clock::now();
      if (!ok) {
        failures.push_back("qpk level " + codec.level + " failed to encode " + cls.name);
        continue;
      }
      ResultRow row{codec.codec, codec.level, cls.name, cls.bytes, 0, 0, 0, false};
      row.encode_seconds = std::chrono::duration<double>(encoded_at - start).count();
      for (const std::vector<uint8_t> &stream : streams) row.output_bytes += stream.size();
      auto decode_start = std::chrono::steady_clock::now();
      if (!RoundTrips(codec, cls, streams)) continue;
      // The round trip's decode includes the comparison: a small, honest
      // overestimate of the decode time for levels the table does not time.
      row.decode_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - decode_start).count();
      rows.push_back(row);
    }
    std::fprintf(stderr, "bench: qpk level %s round-trips the corpus\n", codec.level.c_str());
  }
  return rows;
}

std::string MachineDescription(const std::string &revision) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line, model = "unknown CPU";
  int cpus = 0;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos) {
      model = line.substr(line.find(':') + 2);
      cpus++;
    }
  }
  char date[32];
  std::time_t now = std::time(nullptr);
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  std::string text = "Machine: " + model + ", " + std::to_string(cpus) + " logical CPUs; run " + date;
  if (!revision.empty()) text += "; sources at " + revision;
  return text + ".";
}

bool ParseOptions(int argc, char **argv, Options *options) {
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    auto value = [&](std::string *out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string number;
    if (arg == "--corpus") {
      if (!value(&options->corpus)) return false;
    } else if (arg == "--figures") {
      if (!value(&options->figures)) return false;
    } else if (arg == "--out") {
      if (!value(&options->out)) return false;
    } else if (arg == "--revision") {
      if (!value(&options->revision)) return false;
    } else if (arg == "--min-time") {
      if (!value(&number)) return false;
      options->min_time = std::stod(number);
    } else if (arg == "--decode-repetitions") {
      if (!value(&number)) return false;
      options->decode_repetitions = std::max(1, std::stoi(number));
    } else {
      std::fprintf(stderr, "codec_bench: unknown argument %s\n", arg.c_str());
      return false;
    }
  }
  return !options->corpus.empty();
}

bool WriteFile(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return out.good();
}

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: codec_bench --corpus DIR [--figures FILE] [--out DIR] [--min-time S] "
                 "[--decode-repetitions N]\n");
    return 2;
  }
  std::string error;
  if (!LoadCorpus(options.corpus, &corpus, &error)) {
    std::fprintf(stderr, "codec_bench: %s\n", error.c_str());
    return 2;
  }

  std::vector<BenchCodec> codecs = TableCodecs();
  for (const CorpusClass &cls : corpus) {
    for (const BenchCodec &codec : codecs) {
      std::string key = CaseKey(codec, cls);
      benchmark::RegisterBenchmark(("encode/" + key).c_str(), EncodeCase, codec, &cls)
          ->MinTime(options.min_time)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(("decode/" + key).c_str(), DecodeCase, codec, &cls)
          ->MinTime(options.min_time)
          ->Repetitions(options.decode_repetitions)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  std::vector<ResultRow> rows;
  for (const CorpusClass &cls : corpus) {
    for (const BenchCodec &codec : codecs) {
      std::string key = CaseKey(codec, cls);
      ResultRow row{codec.codec, codec.level, cls.name, cls.bytes, encoded[key].bytes, 0, 0, true};
      row.encode_seconds = collector.seconds["encode/" + key];
      row.decode_seconds = collector.seconds["decode/" + key];
      rows.push_back(row);
    }
  }
  encoded.clear();
  std::vector<ResultRow> other_levels = RoundTripOtherLevels();
  rows.insert(rows.end(), other_levels.begin(), other_levels.end());
  AddTotals(&rows);
  // Table order: every class, then the totals.
  std::stable_sort(rows.begin(), rows.end(), [](const ResultRow &a, const ResultRow &b) {
    return (a.cls == "total") < (b.cls == "total");
  });

  std::vector<Figure> figures = options.figures.empty() ? std::vector<Figure>() : ReadFigures(options.figures);
  std::vector<TargetCheck> targets = CheckTargets(rows, figures);
  std::string machine = MachineDescription(options.revision);
  std::string markdown = machine + "\n\n" + FormatTable(rows) +
                         "\nMB = 10^6 bytes; throughput is input (uncompressed) bytes per second of one pass over "
                         "a class, each member coded on its own. Decode ratios are against the fastest decode of "
                         "that peer in the same class.\n\n"
                         "Every level of our encoder (the timings below come from one pass, decode including "
                         "the comparison):\n\n" +
                         FormatLevels(rows) + "\nOther figures:\n\n" + FormatFigures(figures) + "\nTargets:\n\n" +
                         FormatTargets(targets);
  if (!failures.empty()) {
    markdown += "\nFAILED:\n";
    for (const std::string &failure : failures) markdown += "- " + failure + "\n";
  }
  std::fputs(markdown.c_str(), stdout);
  bool written = WriteFile(options.out + "/results.md", markdown) &&
                 WriteFile(options.out + "/results.json", FormatJson(rows, figures));
  if (!written) {
    std::fprintf(stderr, "codec_bench: cannot write the results to %s\n", options.out.c_str());
    return 1;
  }
  return failures.empty() ? 0 : 1;
}
