// The reload path: read the system list from its file, parse it, merge it
// with an imported list and build the index the engine searches. Target:
// under 20 ms for 10,000 entries on each side.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/replacement_index.h"
#include "replacements/imported_replacements_store.h"
#include "replacements/replacement_library.h"
#include "replacements/replacement_parser.h"
#include "replacements/system_replacement_reader.h"
#include "support/replacements/property_list_writer.h"

namespace marlinet {
namespace {

constexpr int entryCount = 10000;

PropertyList systemList() {
  PropertyList::Array records;
  for (int i = 0; i < entryCount; ++i) {
    records.emplace_back(PropertyList::Dictionary{
        {"replace", PropertyList("sc" + std::to_string(i))},
        {"with", PropertyList("The phrase for shortcut number " + std::to_string(i) + ", with some length.")},
        {"on", PropertyList(1)}});
  }
  return PropertyList(std::move(records));
}

PropertyList exportList() {
  PropertyList::Array records;
  for (int i = 0; i < entryCount; ++i) {
    records.emplace_back(PropertyList::Dictionary{
        {"shortcut", PropertyList("ex" + std::to_string(i))},
        {"phrase", PropertyList("Imported phrase " + std::to_string(i) + " \u2014 caf\u00e9")}});
  }
  return PropertyList(std::move(records));
}

// Half the imported shortcuts collide with system ones, in a different case
// for half of those, so the merge and the index both have work to do.
ParsedReplacements importedList() {
  ParsedReplacements imported;
  for (int i = 0; i < entryCount; ++i) {
    std::string shortcut = i % 2 == 0 ? "sc" + std::to_string(i) : "im" + std::to_string(i);
    if (i % 4 == 0) shortcut[0] = 'S';
    imported.replacements.push_back({shortcut, "Imported " + std::to_string(i)});
  }
  return imported;
}

class TemporaryFile {
 public:
  TemporaryFile(const std::string& name, const std::string& bytes)
      : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TemporaryFile() { std::filesystem::remove(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void BM_ParseImportFile(benchmark::State& state) {
  const auto format = static_cast<PropertyListFormat>(state.range(0));
  const std::string bytes = encodePropertyList(exportList(), format).value();
  for (auto _ : state) {
    auto result = parsePropertyList(bytes);
    benchmark::DoNotOptimize(result);
  }
  state.SetLabel(format == PropertyListFormat::xml ? "xml" : "binary");
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ParseImportFile)->Arg(static_cast<int>(PropertyListFormat::xml))
    ->Arg(static_cast<int>(PropertyListFormat::binary))->Unit(benchmark::kMillisecond);

// What the application model's reload does: the system list (through the
// cache), the merge with the imported list and a new index.
std::size_t reload(SystemListCache& cache, const SystemReplacementReader& reader, ReplacementLibrary& library) {
  const auto& [system, source] = cache.read(reader);
  library.system = system;
  ReplacementIndex index(library.merged());
  benchmark::DoNotOptimize(index);
  benchmark::DoNotOptimize(source);
  return library.system.replacements.size();
}

// A reload after the system file changed: read and parse the file, merge
// with the imported list, build the index.
void BM_Reload(benchmark::State& state) {
  const auto format = static_cast<PropertyListFormat>(state.range(0));
  const TemporaryFile file("marlinet-bench-system", encodePropertyList(systemList(), format).value());
  const SystemReplacementReader reader(file.path(), std::make_shared<LocalFileSystem>());
  ReplacementLibrary library;
  library.imported = importedList();
  for (auto _ : state) {
    SystemListCache cache;  // nothing read before: the file is parsed
    benchmark::DoNotOptimize(reload(cache, reader, library));
  }
  state.SetLabel(format == PropertyListFormat::xml ? "xml" : "binary");
}
BENCHMARK(BM_Reload)->Arg(static_cast<int>(PropertyListFormat::xml))
    ->Arg(static_cast<int>(PropertyListFormat::binary))->Unit(benchmark::kMillisecond);

// The common reload, each time the status menu opens: the file is unchanged
// since the last read.
void BM_ReloadUnchanged(benchmark::State& state) {
  const auto format = static_cast<PropertyListFormat>(state.range(0));
  const TemporaryFile file("marlinet-bench-system", encodePropertyList(systemList(), format).value());
  const SystemReplacementReader reader(file.path(), std::make_shared<LocalFileSystem>());
  ReplacementLibrary library;
  library.imported = importedList();
  SystemListCache cache;
  reload(cache, reader, library);
  for (auto _ : state) benchmark::DoNotOptimize(reload(cache, reader, library));
  state.SetLabel(format == PropertyListFormat::xml ? "xml" : "binary");
}
BENCHMARK(BM_ReloadUnchanged)->Arg(static_cast<int>(PropertyListFormat::xml))
    ->Arg(static_cast<int>(PropertyListFormat::binary))->Unit(benchmark::kMillisecond);

// Loading the stored imported list at start.
void BM_LoadImportedStore(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / ("marlinet-bench-store-" + std::to_string(::getpid())) /
                    "imported-replacements.json";
  ImportedReplacementsStore store(path, std::make_shared<LocalFileSystem>());
  if (!store.save(importedList(), Date{737000000.5})) {
    state.SkipWithError("could not write the stored list");
    return;
  }
  for (auto _ : state) {
    auto loaded = store.load();
    benchmark::DoNotOptimize(loaded);
  }
  std::filesystem::remove_all(path.parent_path());
}
BENCHMARK(BM_LoadImportedStore)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlinet

BENCHMARK_MAIN();
