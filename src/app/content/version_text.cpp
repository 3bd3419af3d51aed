#include "app/content/version_text.h"

namespace marlinet {
namespace {

// An empty value says as little as a missing one, and "1.2 ()" would look broken.
std::string orQuestionMark(const std::optional<std::string>& value) {
  return value && !value->empty() ? *value : std::string("?");
}

}  // namespace

std::string versionText(const std::optional<std::string>& shortVersion, const std::optional<std::string>& build) {
  return orQuestionMark(shortVersion) + " (" + orQuestionMark(build) + ")";
}

}  // namespace marlinet
