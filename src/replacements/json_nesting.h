#pragma once

#include <string_view>

namespace marlinet {

// The deepest nesting of arrays and objects in JSON text, found without
// building a tree: a tree of a deep nest costs dozens of times its text.
int jsonNesting(std::string_view bytes);

}  // namespace marlinet
