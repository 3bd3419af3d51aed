// Cost of ExpansionCoordinator::handle on the key path, with an index of up to
// 10,000 replacements whose shortcuts are up to 20 characters long.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "coordination/expansion_coordinator.h"

// Counts heap allocations so that each benchmark can report them per key.
namespace {
std::atomic<std::uint64_t> allocations{0};
}  // namespace

// GCC cannot see that these replace the global pair and warns about malloc/free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace marlinet {
namespace {

// Reports allocations per iteration as a counter.
class AllocationCounter {
 public:
  explicit AllocationCounter(benchmark::State& state) : state_(state), start_(allocations.load()) {}
  ~AllocationCounter() {
    state_.counters["allocs/iter"] = benchmark::Counter(static_cast<double>(allocations.load() - start_),
                                                         benchmark::Counter::kAvgIterations);
  }

 private:
  benchmark::State& state_;
  std::uint64_t start_;
};

class NullPoster final : public EventPosting {
 public:
  void postKey(std::uint16_t, bool, std::uint64_t) override {}
  void postText(const std::string&) override {}
  bool canType(std::string_view) override { return true; }
  std::optional<std::uint16_t> keyCode(const std::string&) override { return 9; }
  void repostAsOwn(const std::shared_ptr<const CapturedEvent>&) override {}
  void repostAsUser(const std::shared_ptr<const CapturedEvent>&) override {}
};

class NullPasteboard final : public PasteboardAccess {
 public:
  std::int64_t changeCount() const override { return count_; }
  std::vector<PasteboardItemSnapshot> snapshotItems() const override { return {}; }
  std::int64_t writeText(const std::string&) override { return ++count_; }
  void restoreItems(const std::vector<PasteboardItemSnapshot>&) override { ++count_; }

 private:
  std::int64_t count_ = 0;
};

// Runs deferred work at once, so a benchmarked expansion completes inside the loop.
class ImmediateScheduler final : public Scheduler {
 public:
  void schedule(double, std::function<void()> work) override { work(); }
  std::unique_ptr<RepeatingTimer> scheduleRepeating(double, std::function<void()>) override { return nullptr; }
};

class FixedContext final : public ExpansionContext {
 public:
  std::optional<std::string> frontmostBundleID() const override { return "com.example.editor"; }
  bool isSecureInputEnabled() const override { return false; }
  std::optional<InputSourceInfo> inputSource() const override {
    return InputSourceInfo{"com.apple.keylayout.US", "TISTypeKeyboardLayout", {"en"}};
  }
};

std::vector<Replacement> makeReplacements(std::size_t count) {
  std::mt19937 random(42);
  std::vector<Replacement> list;
  list.reserve(count + 1);
  list.push_back({"omw", "on my way"});
  while (list.size() < count) {
    const std::size_t length = 2 + random() % 19;  // 2..20 characters
    std::string shortcut;
    for (std::size_t i = 0; i < length; ++i) shortcut += static_cast<char>('a' + random() % 26);
    list.push_back({shortcut, "phrase for " + shortcut});
  }
  return list;
}

struct Fixture {
  explicit Fixture(std::size_t replacements)
      : coordinator(context, poster, keeper, scheduler) {
    coordinator.engine().setIndex(ReplacementIndex(makeReplacements(replacements)));
    // The default excluded list is 19 applications.
    auto excluded = std::make_shared<BundleIDSet>();
    for (int i = 0; i < 19; ++i) excluded->insert("com.example.excluded-app-" + std::to_string(i));
    coordinator.excludedBundleIDs = [excluded] { return excluded; };
  }

  FixedContext context;
  NullPoster poster;
  NullPasteboard pasteboard;
  ClipboardKeeper keeper{pasteboard};
  ImmediateScheduler scheduler;
  ExpansionCoordinator coordinator;
};

KeyTapEvent keyDown(std::uint16_t code, const char* characters) {
  KeyEvent event;
  event.keyCode = code;
  event.characters = characters;
  return KeyTapEvent{event, false};
}

void ordinaryKey(benchmark::State& state) {
  Fixture fixture(static_cast<std::size_t>(state.range(0)));
  const TapEvent key = keyDown(0, "a");
  for (int i = 0; i < 100; ++i) fixture.coordinator.handle(key);  // fill the buffer once
  AllocationCounter counter(state);
  for (auto _ : state) benchmark::DoNotOptimize(fixture.coordinator.handle(key));
}
BENCHMARK(ordinaryKey)->Arg(10)->Arg(1000)->Arg(10000);

// A delimiter that completes no shortcut. After the first iterations the buffer
// holds only spaces, so every candidate length starts at a boundary and costs
// a lowercasing and a lookup: the worst case for a delimiter.
void delimiterWithoutMatch(benchmark::State& state) {
  Fixture fixture(static_cast<std::size_t>(state.range(0)));
  const TapEvent space = keyDown(49, " ");
  for (int i = 0; i < 100; ++i) fixture.coordinator.handle(space);
  AllocationCounter counter(state);
  for (auto _ : state) benchmark::DoNotOptimize(fixture.coordinator.handle(space));
}
BENCHMARK(delimiterWithoutMatch)->Arg(10)->Arg(10000);

// Typing o, m, w and a space that completes the shortcut, including the whole
// deferred edit (against posters that do nothing): four key-downs and one
// expansion per iteration.
void shortcutWithExpansion(benchmark::State& state) {
  Fixture fixture(static_cast<std::size_t>(state.range(0)));
  const TapEvent keys[] = {keyDown(31, "o"), keyDown(46, "m"), keyDown(13, "w"), keyDown(49, " ")};
  AllocationCounter counter(state);
  for (auto _ : state) {
    for (const TapEvent& key : keys) benchmark::DoNotOptimize(fixture.coordinator.handle(key));
  }
}
BENCHMARK(shortcutWithExpansion)->Arg(10000);

}  // namespace
}  // namespace marlinet

BENCHMARK_MAIN();
