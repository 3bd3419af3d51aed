#include "replacements/json_nesting.h"

#include <algorithm>

namespace marlinet {

int jsonNesting(std::string_view bytes) {
  int depth = 0;
  int deepest = 0;
  bool inText = false;
  bool escaped = false;
  for (const char c : bytes) {
    if (escaped) {
      escaped = false;
    } else if (inText) {
      escaped = c == '\\';
      inText = c != '"';
    } else if (c == '"') {
      inText = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

}  // namespace marlinet
