// The replacement editor over a list of 10,000 replacements: opening the
// window and drawing it, one change written to the file (encoded, written
// atomically and synced), and one keystroke in the phrase field, which shows
// the row's problem as it is typed.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "replacements/replacement_list_document.h"
#include "replacements/xml_property_list.h"
#include "shell/replacements_window.h"

namespace marlinet {
namespace {

namespace fs = std::filesystem;

constexpr int entryCount = 10000;

struct ListFile {
  fs::path folder = fs::temp_directory_path() / ("marlinet-bench-" + std::to_string(std::random_device()()));
  fs::path file = folder / "text-replacements.plist";

  ListFile() {
    fs::create_directories(folder);
    PropertyList::Array records;
    for (int i = 0; i < entryCount; ++i) {
      records.emplace_back(PropertyList::Dictionary{
          {"replace", PropertyList("sc" + std::to_string(i))},
          {"with", PropertyList("A phrase of a few words, number " + std::to_string(i) + ",\nwith a second line")}});
    }
    std::ofstream(file, std::ios::binary) << encodeXmlPropertyList(PropertyList(std::move(records)));
  }
  ~ListFile() {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  std::shared_ptr<ReplacementsWindowContent> content() const {
    return std::make_shared<ReplacementsWindowContent>(ModelHandle{}, file, std::make_shared<LocalFileSystem>());
  }
};

void BM_OpenReplacementsWindow(benchmark::State& state) {
  const ListFile list;
  for (auto _ : state) {
    shell::ReplacementsWindow window(list.content());
    benchmark::DoNotOptimize(window.grab());
  }
}
BENCHMARK(BM_OpenReplacementsWindow)->Unit(benchmark::kMillisecond);

void BM_WriteOneChange(benchmark::State& state) {
  const ListFile list;
  ReplacementListDocument document(list.file, std::make_shared<LocalFileSystem>());
  document.load();
  int i = 0;
  for (auto _ : state) {
    ListEntry entry = document.entries()[5000];
    entry.phrase = "changed " + std::to_string(++i);
    benchmark::DoNotOptimize(document.replace(5000, std::move(entry)));
  }
}
BENCHMARK(BM_WriteOneChange)->Unit(benchmark::kMillisecond);

// The last row, whose duplicate check looks at every row before it; a
// character typed and taken back counts as two keystrokes.
void BM_TwoKeystrokesInLastPhrase(benchmark::State& state) {
  const ListFile list;
  shell::ReplacementsWindow window(list.content());
  window.findChild<QTableView*>()->selectRow(entryCount - 1);
  auto* phrase = window.findChild<QPlainTextEdit*>();
  for (auto _ : state) {
    phrase->insertPlainText(QStringLiteral("x"));
    phrase->textCursor().deletePreviousChar();
  }
}
BENCHMARK(BM_TwoKeystrokesInLastPhrase)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace marlinet

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
