// Cost of `marlinet simulate` per typed word: a dry run must cost time linear
// in what it simulates, so the time per word stays flat from 1,000 to
// 100,000 words.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "simulation/simulated_desktop.h"
#include "simulation/simulation_script.h"

namespace marlinet::simulation {
namespace {

// A trace nobody reads: the lines are still formatted, only not kept.
class DiscardingBuffer final : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// The example list: omw, brb and the multi-line sig, imported as a user would.
const SimulationLists lists{std::filesystem::path(MARLINET_EXAMPLE_LIST), std::nullopt};

// A typing session of `words` words: ordinary words, typed shortcuts (the
// multi-line "sig" is pasted), varied delimiters, now and then a few Deletes
// or a pause. Lines of about a dozen words, as a user types a sentence.
std::string typingScript(std::size_t words) {
  static const char* const ordinary[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy",
                                         "dog", "hello", "world", "typing", "is",    "fun"};
  static const char* const delimiters[] = {" ", " ", " ", " ", ", ", ". ", "\\n", "! "};
  std::mt19937 random(1);
  std::string script = R"({"type":"copy","items":[{"public.utf8-plain-text":"the user's clipboard"}]})" "\n";
  std::string line;
  auto flush = [&] {
    if (line.empty()) return;
    script += R"({"type":"text","interval":0.05,"text":")" + line + "\"}\n";
    line.clear();
  };
  for (std::size_t i = 0, inLine = 0; i < words; ++i) {
    const std::uint32_t pick = random() % 100;
    line += pick < 8 ? "omw" : pick < 14 ? "brb" : pick < 16 ? "sig" : ordinary[random() % std::size(ordinary)];
    line += delimiters[random() % std::size(delimiters)];
    if (random() % 10 == 0) {
      flush();
      for (std::uint32_t n = random() % 3; n <= 2; ++n) script += R"({"type":"key","keyCode":51,"phase":"press"})" "\n";
    }
    if (random() % 50 == 0) {
      flush();
      script += R"({"type":"wait","seconds":1})" "\n";
    }
    if (++inLine == 12) {
      flush();
      inLine = 0;
    }
  }
  flush();
  return script;
}

void BM_SimulateTyping(benchmark::State& state) {
  const auto words = static_cast<std::size_t>(state.range(0));
  const std::string script = typingScript(words);
  DiscardingBuffer discard;
  std::ostream trace(&discard);
  std::ostringstream errors;
  for (auto _ : state) {
    SimulatedDesktop desktop(trace, lists);
    std::istringstream input(script);
    if (runScript(input, desktop, errors) != 0) state.SkipWithError("the generated script is malformed");
    benchmark::DoNotOptimize(desktop.text().size());
  }
  state.SetComplexityN(state.range(0));
  state.counters["per_word"] =
      benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(BM_SimulateTyping)
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace marlinet::simulation

BENCHMARK_MAIN();
