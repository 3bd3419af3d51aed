#pragma once

#include <string>

namespace marlinet {

// The block that tells the user what happens to their keystrokes.
struct PrivacyNote {
  std::string symbolName;
  std::string title;
  std::string body;
};

PrivacyNote privacyNote();

}  // namespace marlinet
