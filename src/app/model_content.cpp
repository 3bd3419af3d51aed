#include "app/model_content.h"

#include "app/content/app_entry.h"
#include "app/content/version_text.h"

namespace marlinet {
namespace {

std::optional<std::string> textValue(const BundleInfo& bundle, std::string_view key) {
  const std::optional<PropertyList> value = bundle.infoValue(key);
  if (!value || value->text() == nullptr) return std::nullopt;
  return *value->text();
}

}  // namespace

std::string versionText(const BundleInfo& bundle) {
  return versionText(textValue(bundle, BundleInfo::shortVersionKey), textValue(bundle, BundleInfo::buildVersionKey));
}

StatusMenuHooks statusMenuHooks(ModelHandle model, std::function<void()> quit,
                                std::function<void(bool dimmed)> setIconDimmed) {
  // Each hook reaches the model only while it exists.
  auto with = [model](auto use) {
    return [model, use](auto... arguments) {
      if (AppModel* m = model.get()) use(*m, arguments...);
    };
  };
  StatusMenuHooks hooks;
  hooks.status = [model] {
    const AppModel* m = model.get();
    return m ? m->status() : ExpansionStatus::off;
  };
  hooks.expansionEnabled = [model] {
    const AppModel* m = model.get();
    return m != nullptr && m->isEnabled();
  };
  hooks.replacementCount = [model] {
    const AppModel* m = model.get();
    return m ? m->summary().count : 0;
  };
  hooks.updateTap = with([](AppModel& m) { m.updateTap(); });
  hooks.reload = with([](AppModel& m) { m.reload(); });
  hooks.setEnabled = with([](AppModel& m, bool on) { m.setEnabled(on); });
  hooks.showExcludeApps = with([](AppModel& m) { m.showExcludeApps(); });
  hooks.showReplacements = with([](AppModel& m) { m.showReplacements(); });
  hooks.editsOwnList = [model] {
    const AppModel* m = model.get();
    return m != nullptr && m->editsOwnList();
  };
  hooks.showOnboarding = with([](AppModel& m) { m.showOnboarding(); });
  hooks.showPreferences = with([](AppModel& m) { m.showPreferences(); });
  hooks.checkForUpdates = with([](AppModel& m) { m.checkForUpdates(); });
  hooks.quit = std::move(quit);
  hooks.setIconDimmed = std::move(setIconDimmed);
  return hooks;
}

std::optional<SettingsContent> settingsContent(const PreferencesWindowContent& window) {
  const AppModel* model = window.model.get();
  if (model == nullptr) return std::nullopt;
  SettingsInputs inputs;
  inputs.status = model->status();
  inputs.expansionEnabled = model->isEnabled();
  inputs.opensAtLogin = model->opensAtLogin();
  inputs.excludedCount = static_cast<std::int64_t>(model->excludedBundleIDs().size());
  inputs.editsOwnList = model->editsOwnList();
  inputs.summary = model->summary();
  inputs.permissions = model->currentPermissions();
  inputs.automaticUpdates = window.automaticUpdates;
  inputs.versionText = versionText(model->bundleInfo());
  return buildSettingsContent(inputs);
}

std::optional<OnboardingContent> onboardingContent(const OnboardingWindowContent& window) {
  const AppModel* model = window.model.get();
  if (model == nullptr) return std::nullopt;
  return buildOnboardingContent(OnboardingInputs{model->permissions().status(), window.replacementCount});
}

std::optional<ExcludeAppsContent> excludeAppsContent(const ExcludeAppsWindowContent& window) {
  AppModel* model = window.model.get();
  if (model == nullptr) return std::nullopt;
  const std::set<std::string> excluded = model->excludedBundleIDs();
  return buildExcludeAppsContent(makeEntries(model->installedApplications(), model->ownBundleID(), excluded,
                                              model->preferences().builtInExclusions()), excluded);
}

}  // namespace marlinet
