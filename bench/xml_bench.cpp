// Side-by-side parse benchmark of this pipeline and libxml2, expat and pugixml on generated
// corpora, with a summary of MB/s and ratios, the growth of cost with size, a mode that
// measures the peak resident memory of each parser in a process of its own, and one
// (--hostile[=N], N a million unless given) that prints the cost per MB of documents of
// hostile shape beside an ordinary document's, on both paths of the parser front end.
#include "BenchCorpus.h"
#include "BenchRows.h"
#include "xml/HostileDocuments.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <system_error>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct TCorpusSpec {
  std::string Name;  // "a", "b", "c", "d", "order", "a@1MB", ...
  TCorpusKind Kind;
  std::size_t Bytes;
};

struct TOptions {
  std::size_t CorpusMb = 30;
  bool Scaling = true;
  bool PeakMemory = false;
  std::string ChildRow, ChildFile;
  std::string WriteDir;
  std::size_t Hostile = 0;  // the count of the hostile documents; 0: no hostile run
};

constexpr std::size_t kMb = 1024 * 1024;
constexpr std::size_t kOrderFileBytes = 3584;

bool IsPeer(const std::string& row) { return row == "libxml2" || row == "expat" || row == "pugixml"; }

// Corpora are large; only the one the current benchmark needs stays in memory.
const std::string& CorpusBytes(const TCorpusSpec& corpus) {
  static std::string name;
  static std::string bytes;
  if (name != corpus.Name) {
    bytes.clear();
    bytes.shrink_to_fit();
    bytes = MakeCorpus(corpus.Kind, corpus.Bytes);
    name = corpus.Name;
  }
  return bytes;
}

std::vector<TCorpusSpec> CorpusSpecs(const TOptions& options) {
  std::vector<TCorpusSpec> corpora;
  for (TCorpusKind kind : {TCorpusKind::Utf8, TCorpusKind::Windows1250, TCorpusKind::Utf16Le,
                           TCorpusKind::OrderLike})
    corpora.push_back({CorpusLetter(kind), kind, options.CorpusMb * kMb});
  // One order file of the size the program writes (50 lines): what a per-document cost shows in.
  corpora.push_back({"order", TCorpusKind::OrderLike, kOrderFileBytes});
  if (options.Scaling)
    for (std::size_t mb : {1, 10, 100})
      corpora.push_back({"a@" + std::to_string(mb) + "MB", TCorpusKind::Utf8, mb * kMb});
  return corpora;
}

struct TResult {
  double SecondsPerParse = 0;
  double Bytes = 0;
};

// Prints the usual table, and keeps each run's time so the summary can put rows side by side.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
  TSummaryReporter()
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration) continue;
      TResult& result = Results[run.benchmark_name()];
      // Processor time, not wall time: the build machines are shared, and a busy neighbour
      // would otherwise decide the ratios.
      result.SecondsPerParse = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      auto bytes = run.counters.find("corpus_bytes");
      if (bytes != run.counters.end()) result.Bytes = bytes->second.value;
    }
  }
  std::map<std::string, TResult> Results;
};

std::string RunName(const TCorpusSpec& corpus, const TParseRow& row) {
  return "parse/" + corpus.Name + "/" + row.Name;
}

void PrintSummary(const TSummaryReporter& reporter, const std::vector<TCorpusSpec>& corpora) {
  auto find = [&](const TCorpusSpec& c, const TParseRow& r) -> const TResult* {
    auto it = reporter.Results.find(RunName(c, r));
    return it == reporter.Results.end() || it->second.SecondsPerParse <= 0 ? nullptr : &it->second;
  };
  std::printf("\nThroughput (MB/s of input bytes per processor second) and ratio of this pipeline to each peer\n");
  std::printf("%-10s %-9s %12s %10s   %s\n", "corpus", "row", "bytes", "MB/s", "ratios");
  for (const TCorpusSpec& corpus : corpora) {
    for (const TParseRow& row : ParseRows()) {
      const TResult* r = find(corpus, row);
      if (!r) continue;
      const double mbs = r->Bytes / static_cast<double>(kMb) / r->SecondsPerParse;
      std::printf("%-10s %-9s %12.0f %10.2f  ", corpus.Name.c_str(), row.Name, r->Bytes, mbs);
      if (!IsPeer(row.Name)) {
        for (const TParseRow& peer : ParseRows()) {
          const TResult* p = IsPeer(peer.Name) ? find(corpus, peer) : nullptr;
          if (p) std::printf(" x%.2f %s", p->SecondsPerParse / r->SecondsPerParse, peer.Name);
        }
      }
      std::printf("\n");
    }
  }
  std::printf("\nGrowth: milliseconds per MB of corpus (a) at each size\n");
  for (const TParseRow& row : ParseRows()) {
    double first = 0, last = 0;
    std::string line;
    for (const TCorpusSpec& corpus : corpora) {
      if (corpus.Name.find('@') == std::string::npos) continue;
      const TResult* r = find(corpus, row);
      if (!r) continue;
      const double msPerMb = 1000.0 * r->SecondsPerParse / (r->Bytes / static_cast<double>(kMb));
      if (first == 0) first = msPerMb;
      last = msPerMb;
      line += "  " + corpus.Name.substr(2) + ": " + std::to_string(msPerMb);
    }
    if (first > 0)
      std::printf("%-9s%s   largest/smallest x%.3f\n", row.Name, line.c_str(), last / first);
  }
}

// ---------------------------------------------------------------------------------------
// Peak memory, each parser in a process of its own

std::int64_t StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t len = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, len, field) == 0 && line.size() > len && line[len] == ':')
      return std::atoll(line.c_str() + len + 1);
  return -1;
}

int RunPeakMemoryChild(const TOptions& options) {
  const TParseRow* row = FindParseRow(options.ChildRow);
  std::ifstream file(options.ChildFile, std::ios::binary);
  if (!row || !file) return 2;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::int64_t before = StatusKb("VmRSS");
  // Resetting the high-water mark leaves loading the file out of the parse's peak.
  {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
  }
  std::int64_t peak = -1;
  const bool ok = row->Parse(bytes, [&] { peak = StatusKb("VmHWM"); });
  std::printf("%s %lld %lld %d\n", row->Name, static_cast<long long>(before),
              static_cast<long long>(peak), ok ? 1 : 0);
  return ok ? 0 : 1;
}

int RunPeakMemory(const TOptions& options, const char* self) {
  char dir[] = "/tmp/earmark-bench-XXXXXX";
  if (!mkdtemp(dir)) return 2;
  for (TCorpusKind kind : {TCorpusKind::Utf8, TCorpusKind::OrderLike}) {
    const std::string letter = CorpusLetter(kind);
    const std::string path = std::string(dir) + "/" + letter + ".xml";
    {
      const std::string bytes = MakeCorpus(kind, options.CorpusMb * kMb);
      std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::printf("Peak resident memory while the parsed document of corpus (%s) is alive\n", letter.c_str());
    std::printf("%-9s %14s %14s %14s\n", "row", "before kB", "peak kB", "parse kB");
    std::map<std::string, std::int64_t> cost;
    for (const TParseRow& row : ParseRows()) {
      const std::string command =
          std::string("'") + self + "' --peak-memory-child=" + row.Name + ":" + path;
      std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
      char name[64] = {};
      long long before = 0, peak = 0;
      int ok = 0;
      if (!pipe || std::fscanf(pipe.get(), "%63s %lld %lld %d", name, &before, &peak, &ok) != 4) {
        std::printf("%-9s failed\n", row.Name);
        continue;
      }
      cost[row.Name] = peak - before;
      std::printf("%-9s %14lld %14lld %14lld%s\n", row.Name, before, peak, peak - before,
                  ok ? "" : "  (refused)");
    }
    if (cost.count("ours"))
      for (const char* peer : {"libxml2", "pugixml"})
        if (cost.count(peer) && cost[peer] > 0)
          std::printf("ours / %s parse memory, corpus (%s): x%.2f\n", peer, letter.c_str(),
                      static_cast<double>(cost["ours"]) / static_cast<double>(cost[peer]));
    std::printf("\n");
    std::remove(path.c_str());
  }
  rmdir(dir);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Hostile sizes: time per MB of each hostile document beside an ordinary document's

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The best of a few parses, in processor milliseconds per MB; negative when refused.
double MsPerMb(bool (*parse)(std::string_view, const std::function<void()>&), const std::string& bytes) {
  double best = -1;
  double spent = 0;
  for (int run = 0; run < 5 && spent < 1.0; ++run) {
    const double start = ProcessSeconds();
    if (!parse(bytes, [] {})) return -1;
    const double seconds = ProcessSeconds() - start;
    spent += seconds;
    if (best < 0 || seconds < best) best = seconds;
  }
  return 1000.0 * best / (static_cast<double>(bytes.size()) / static_cast<double>(kMb));
}

bool ParseFrontEnd(std::string_view bytes, const std::function<void()>& keep) {
  return FindParseRow("ours")->Parse(bytes, keep);
}

int RunHostile(const TOptions& options) {
  struct TPath {
    const char* Name;
    bool (*Parse)(std::string_view, const std::function<void()>&);
  };
  const TPath paths[] = {{"front end", ParseFrontEnd}, {"ordinary path", ParseDocumentOrdinaryPath}};
  const std::size_t n = options.Hostile;
  const std::string ordinary = MakeHostileDocument(THostileKind::Ordinary, n);
  const std::string corpusA = MakeCorpus(TCorpusKind::Utf8, ordinary.size());
  std::printf("Hostile sizes: processor ms per MB, n = %zu, and the ratio to the ordinary document\n", n);
  std::printf("%-44s %10s", "document", "MB");
  for (const TPath& path : paths) std::printf(" %16s %7s", path.Name, "ratio");
  std::printf("\n");
  double base[2] = {};
  auto row = [&](const std::string& name, const std::string& bytes, bool isBase) {
    std::printf("%-44s %10.2f", name.c_str(), static_cast<double>(bytes.size()) / static_cast<double>(kMb));
    for (std::size_t p = 0; p < std::size(paths); ++p) {
      const double ms = MsPerMb(paths[p].Parse, bytes);
      if (isBase) base[p] = ms;
      if (ms < 0)
        std::printf(" %16s %7s", "refused", "");
      else
        std::printf(" %16.1f %6.2fx", ms, base[p] > 0 ? ms / base[p] : 0.0);
    }
    std::printf("\n");
    std::fflush(stdout);
  };
  row("ordinary document", ordinary, true);
  row("corpus (a) of the same size", corpusA, false);
  for (const THostileCase& c : kHostileCases)
    row(std::to_string(n) + " " + c.Name, MakeHostileDocument(c.Kind, n), false);
  return 0;
}

int WriteCorpora(const TOptions& options) {
  std::error_code made;
  std::filesystem::create_directories(options.WriteDir, made);
  for (const TCorpusSpec& corpus : CorpusSpecs(options)) {
    const std::string bytes = MakeCorpus(corpus.Kind, corpus.Bytes);
    const std::string path = options.WriteDir + "/" + corpus.Name + ".xml";
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "xml_bench: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s %zu\n", path.c_str(), bytes.size());
  }
  return 0;
}

// Takes this program's own options out of argv before the benchmark library sees them.
TOptions TakeOptions(int& argc, char** argv) {
  TOptions options;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* prefix) -> const char* {
      const std::size_t n = std::strlen(prefix);
      return arg.compare(0, n, prefix) == 0 ? argv[i] + n : nullptr;
    };
    if (const char* v = value("--corpus-mb=")) {
      options.CorpusMb = static_cast<std::size_t>(std::max(1, std::atoi(v)));
    } else if (arg == "--no-scaling") {
      options.Scaling = false;
    } else if (arg == "--peak-memory") {
      options.PeakMemory = true;
    } else if (const char* c = value("--peak-memory-child=")) {
      const std::string child = c;
      const std::size_t colon = child.find(':');
      options.ChildRow = child.substr(0, colon);
      options.ChildFile = colon == std::string::npos ? "" : child.substr(colon + 1);
    } else if (arg == "--hostile") {
      options.Hostile = 1000000;
    } else if (const char* h = value("--hostile=")) {
      options.Hostile = static_cast<std::size_t>(std::max(1, std::atoi(h)));
    } else if (const char* d = value("--write-corpora=")) {
      options.WriteDir = d;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return options;
}

} // namespace

int main(int argc, char** argv) {
  const TOptions options = TakeOptions(argc, argv);
  if (!options.ChildRow.empty()) return RunPeakMemoryChild(options);
  if (!options.WriteDir.empty()) return WriteCorpora(options);
  if (options.Hostile > 0) return RunHostile(options);
  if (options.PeakMemory) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 2;
    return RunPeakMemory(options, self);
  }

  const std::vector<TCorpusSpec> corpora = CorpusSpecs(options);
  for (const TCorpusSpec& corpus : corpora) {
    for (const TParseRow& row : ParseRows()) {
      benchmark::RegisterBenchmark(RunName(corpus, row).c_str(), [corpus, &row](benchmark::State& state) {
        const std::string& bytes = CorpusBytes(corpus);
        // One untimed parse first, for every row alike: the first parse of a process pays for
        // touching fresh memory, which on this kind of machine costs more than the parse itself
        // and would decide a run of one or two iterations.
        if (!row.Parse(bytes, [] {})) {
          state.SkipWithError("the parser refused the corpus");
          return;
        }
        for (auto _ : state) {
          if (!row.Parse(bytes, [] {})) {
            state.SkipWithError("the parser refused the corpus");
            break;
          }
        }
        state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
        state.counters["corpus_bytes"] = static_cast<double>(bytes.size());
      })->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TSummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter, corpora);
  benchmark::Shutdown();
  return 0;
}
