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

StatusMenuHooks statusMenuHooks(AppModel& model, std::function<void()> quit,
                                std::function<void(bool dimmed)> setIconDimmed) {
  StatusMenuHooks hooks;
  hooks.status = [&model] { return model.status(); };
  hooks.expansionEnabled = [&model] { return model.preferences().expansionEnabled(); };
  hooks.replacementCount = [&model] { return model.summary().count; };
  hooks.updateTap = [&model] { model.updateTap(); };
  hooks.reload = [&model] { model.reload(); };
  hooks.setEnabled = [&model](bool on) { model.setEnabled(on); };
  hooks.showExcludeApps = [&model] { model.showExcludeApps(); };
  hooks.showOnboarding = [&model] { model.showOnboarding(); };
  hooks.showPreferences = [&model] { model.showPreferences(); };
  hooks.checkForUpdates = [&model] { model.checkForUpdates(); };
  hooks.quit = std::move(quit);
  hooks.setIconDimmed = std::move(setIconDimmed);
  return hooks;
}

SettingsContent settingsContent(const PreferencesWindowContent& window) {
  const AppModel& model = window.model;
  SettingsInputs inputs;
  inputs.status = model.status();
  inputs.expansionEnabled = model.preferences().expansionEnabled();
  inputs.opensAtLogin = model.opensAtLogin();
  inputs.excludedCount = static_cast<std::int64_t>(model.excludedBundleIDs().size());
  inputs.summary = model.summary();
  inputs.permissions = model.currentPermissions();
  inputs.automaticUpdates = window.automaticUpdates;
  inputs.versionText = versionText(model.bundleInfo());
  return buildSettingsContent(inputs);
}

OnboardingContent onboardingContent(const OnboardingWindowContent& window) {
  return buildOnboardingContent(OnboardingInputs{window.watcher.status(), window.replacementCount});
}

ExcludeAppsContent excludeAppsContent(AppModel& model) {
  const std::set<std::string> excluded = model.excludedBundleIDs();
  return buildExcludeAppsContent(makeEntries(model.installedApplications(), model.ownBundleID(), excluded), excluded);
}

}  // namespace marlinet
