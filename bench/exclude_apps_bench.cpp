// Opening the excluded-apps window on a desktop with 2,000 installed
// applications: building the window and drawing it the first time, with the
// `.desktop` files read for the first time (cold) or already read (warm),
// and one check box click, which rebuilds the list from the model.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "app/app_model.h"
#include "shell/desktop_applications.h"
#include "shell/exclude_apps_window.h"
#include "simulation/simulated_desktop.h"
#include "simulation/simulated_services.h"

namespace marlinet {
namespace {

namespace fs = std::filesystem;

constexpr int applicationCount = 2000;

class IdleTap final : public EventTapControl {
 public:
  void setHandler(TapHandler) override {}
  bool start() override { return true; }
  void stop() override {}
  bool isRunning() const override { return true; }
};

// 2,000 applications as a distribution installs them, with translated names,
// plus files a desktop also carries: hidden, NoDisplay, malformed, binary, huge.
fs::path makeApplications() {
  const fs::path data = fs::temp_directory_path() / ("marlinet-bench-" + std::to_string(std::random_device()()));
  const fs::path apps = data / "applications";
  fs::create_directories(apps / "kde");
  const auto write = [](const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; };
  for (int i = 0; i < applicationCount; ++i) {
    const std::string n = std::to_string(i);
    std::string text = "[Desktop Entry]\nType=Application\nName=Application " + n + "\n";
    for (const char* language : {"de", "fr", "es", "it", "ja", "pt_BR", "ru", "zh_CN"})
      text += std::string("Name[") + language + "]=Anwendung " + n + "\nComment[" + language + "]=Does things\n";
    text += "Exec=app" + n + " %U\nIcon=app-" + n + "\nCategories=Utility;\n";
    write(apps / (i % 10 == 0 ? "kde" : ".") / ("org.example.App" + n + ".desktop"), text);
  }
  write(apps / "hidden.desktop", "[Desktop Entry]\nType=Application\nName=Hidden\nHidden=true\n");
  write(apps / "quiet.desktop", "[Desktop Entry]\nType=Application\nName=Quiet\nNoDisplay=true\n");
  write(apps / "malformed.desktop", "[Desktop Entry\nName=Broken\n=\n[[\n");
  write(apps / "binary.desktop", std::string("\x7f" "ELF\0\x02\x01[Desktop Entry]\nType=Application\n", 40));
  write(apps / "huge.desktop", "[Desktop Entry]\nType=Application\nName=Huge\n" + std::string(8 << 20, 'x'));
  // Settled folders, as on a desktop where nothing was installed just now.
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(apps, past);
  fs::last_write_time(apps / "kde", past);
  return data;
}

// An application model over the simulated desktop's parts, with the real
// installed applications.
struct Desktop {
  simulation::VirtualTime now{std::chrono::hours(1)};
  simulation::VirtualScheduler scheduler{now};
  simulation::SimulatedContext context;
  simulation::SimulatedEventPoster poster{[](simulation::SimulatedEvent) {}};
  simulation::SimulatedPasteboard pasteboard;
  IdleTap tap;
  simulation::SimulatedServices plain{std::nullopt};
  shell::DesktopApplications applications;
  std::unique_ptr<AppModel> model;

  Desktop() {
    const AppServices base = plain.services(context, poster, pasteboard, scheduler, [this] { return now; }, tap);
    model = std::make_unique<AppModel>(AppServices{
        .defaults = base.defaults,
        .systemReplacements = base.systemReplacements,
        .files = base.files,
        .makeImportedStore = base.makeImportedStore,
        .context = base.context,
        .poster = base.poster,
        .pasteboard = base.pasteboard,
        .scheduler = base.scheduler,
        .now = base.now,
        .currentDate = base.currentDate,
        .tap = base.tap,
        .permissionChecks = base.permissionChecks,
        .workspace = base.workspace,
        .installedApplications = applications,
        .windowHost = base.windowHost,
        .dialogs = base.dialogs,
        .loginItem = base.loginItem,
        .alertSound = base.alertSound,
        .bundle = base.bundle,
        .updater = base.updater,
    });
  }
};

// Built and drawn once, as on the screen.
void open(AppModel& model) {
  shell::ExcludeAppsWindow window(std::make_shared<ExcludeAppsWindowContent>(model.handle()));
  benchmark::DoNotOptimize(window.grab());
}

void BM_OpenExcludeAppsWindowCold(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto desktop = std::make_unique<Desktop>();
    state.ResumeTiming();
    open(*desktop->model);
    state.PauseTiming();
    desktop.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenExcludeAppsWindowCold)->Unit(benchmark::kMillisecond);

void BM_OpenExcludeAppsWindowWarm(benchmark::State& state) {
  Desktop desktop;
  desktop.applications.runningApplications();
  for (auto _ : state) open(*desktop.model);
}
BENCHMARK(BM_OpenExcludeAppsWindowWarm)->Unit(benchmark::kMillisecond);

void BM_ClickCheckBox(benchmark::State& state) {
  Desktop desktop;
  shell::ExcludeAppsWindow window(std::make_shared<ExcludeAppsWindowContent>(desktop.model->handle()));
  bool excluded = false;
  for (auto _ : state) {
    excluded = !excluded;
    desktop.model->setExcluded("org.example.App1234", excluded);
  }
}
BENCHMARK(BM_ClickCheckBox)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace marlinet

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::filesystem::path data = marlinet::makeApplications();
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  // Only the generated applications, none of this machine's.
  setenv("XDG_DATA_DIRS", (data / "none").c_str(), 1);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(data, ignored);
  return 0;
}
