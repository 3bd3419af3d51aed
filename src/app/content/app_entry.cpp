#include "app/content/app_entry.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string_view>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "replacements/preferences.h"

namespace marlinet {
namespace {

std::optional<std::string_view> defaultDisplayName(std::span<const ExcludedApp> defaults,
                                                  std::string_view bundleIdentifier) {
  for (const ExcludedApp& app : defaults) {
    if (app.bundleIdentifier == bundleIdentifier) return app.displayName;
  }
  return std::nullopt;
}

// Defaults first; then orders names as the user's locale does, ignoring case; equal names fall
// back to the exact text and then the identifier so the list never shuffles.
class NameOrder {
 public:
  NameOrder() {
    // Without a language setting ICU picks the POSIX locale, whose collation
    // sorts every capital before every small letter; the root order is the
    // sensible neutral choice there.
    icu::Locale locale = icu::Locale::getDefault();
    if (std::string_view(locale.getVariant()) == "POSIX") locale = icu::Locale::getRoot();
    UErrorCode status = U_ZERO_ERROR;
    collator_.reset(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status)) {
      collator_.reset();
      return;
    }
    collator_->setStrength(icu::Collator::SECONDARY);
  }

  bool operator()(const AppEntry& left, const AppEntry& right) const {
    if (left.isDefault != right.isDefault) return left.isDefault;
    const int order = compareIgnoringCase(left.name, right.name);
    if (order != 0) return order < 0;
    if (left.name != right.name) return left.name < right.name;
    return left.id < right.id;
  }

 private:
  int compareIgnoringCase(const std::string& left, const std::string& right) const {
    if (collator_) {
      UErrorCode status = U_ZERO_ERROR;
      const UCollationResult result = collator_->compareUTF8(left, right, status);
      if (U_SUCCESS(status)) return static_cast<int>(result);
    }
    return icu::UnicodeString::fromUTF8(left).caseCompare(icu::UnicodeString::fromUTF8(right),
                                                          U_FOLD_CASE_DEFAULT);
  }

  std::unique_ptr<icu::Collator> collator_;
};

}  // namespace

std::vector<AppEntry> makeEntries(const InstalledApplications& applications,
                                  const std::optional<std::string>& ownBundleIdentifier,
                                  const std::set<std::string>& excluded, std::span<const ExcludedApp> defaults) {
  // The program never offers to exclude itself, whichever way its identifier turns up.
  const auto isOwn = [&](const std::string& id) { return ownBundleIdentifier && id == *ownBundleIdentifier; };

  std::map<std::string, std::string> names;
  for (const ExcludedApp& app : defaults) {
    const std::string id(app.bundleIdentifier);
    if (isOwn(id) || !applications.applicationLocation(id)) continue;
    names[id] = app.displayName;
  }
  for (const RunningApplication& running : applications.runningApplications()) {
    if (running.activationPolicy != RunningApplication::ActivationPolicy::regular) continue;
    if (!running.bundleIdentifier || running.bundleIdentifier->empty()) continue;
    const std::string& id = *running.bundleIdentifier;
    if (isOwn(id)) continue;
    const bool hasName = running.localizedName && !running.localizedName->empty();
    names[id] = hasName ? *running.localizedName : id;
  }
  for (const std::string& id : excluded) {
    if (id.empty() || isOwn(id) || names.contains(id)) continue;
    // An excluded application that is no longer installed stays excluded but is not offered.
    if (!applications.applicationLocation(id)) continue;
    names[id] = std::string(defaultDisplayName(defaults, id).value_or(id));
  }

  std::set<std::string> defaultIDs;
  for (const ExcludedApp& app : defaults) defaultIDs.emplace(app.bundleIdentifier);
  std::vector<AppEntry> entries;
  entries.reserve(names.size());
  for (auto& [id, name] : names) {
    AppEntry entry;
    entry.id = id;
    entry.name = std::move(name);
    if (const auto location = applications.applicationLocation(id)) entry.icon = applications.iconForFile(*location);
    entry.isDefault = defaultIDs.contains(id);
    entries.push_back(std::move(entry));
  }
  const NameOrder order;
  std::sort(entries.begin(), entries.end(), std::cref(order));
  return entries;
}

}  // namespace marlinet
