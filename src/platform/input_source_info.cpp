#include "platform/input_source_info.h"

#include <algorithm>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

std::string_view primarySubtag(std::string_view tag) {
  // The first non-empty piece between dashes; a tag that is all dashes (or
  // empty) stands for itself.
  std::size_t start = 0;
  while (start < tag.size()) {
    const std::size_t dash = tag.find('-', start);
    const std::size_t end = dash == std::string_view::npos ? tag.size() : dash;
    if (end > start) return tag.substr(start, end - start);
    start = end + 1;
  }
  return tag;
}

}  // namespace

bool InputSourceInfo::isComposing() const {
  if (type == keyboardLayoutType) return false;  // plain layouts never compose
  const std::string_view primary = languages.empty() ? std::string_view() : primarySubtag(languages.front());
  if (std::find(composingLanguages.begin(), composingLanguages.end(), primary) != composingLanguages.end()) {
    return true;
  }
  if (!languages.empty()) return false;  // the identifier only speaks when no language does
  const std::string lowered = unicode::lowercased(id);
  return std::any_of(composingIDFragments.begin(), composingIDFragments.end(),
                     [&](std::string_view fragment) { return lowered.find(fragment) != std::string::npos; });
}

}  // namespace marlinet
