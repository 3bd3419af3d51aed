#pragma once

#include <stdexcept>

#include "replacements/system_replacements.h"

namespace marlinet::testing {

// Answers with whatever the test put in, and counts the questions.
class FakeSystemReplacementReading final : public SystemReplacementReading {
 public:
  std::optional<std::vector<PropertyList>> globalReplacementItems() const override {
    ++globalReads;
    if (fails) throw std::logic_error("a reader fault");
    return global;
  }
  std::map<std::string, std::string> spellCheckerReplacements() const override {
    ++spellCheckerReads;
    return spellChecker;
  }

  std::optional<std::string> revision() const override { return revisionToken; }

  std::optional<std::vector<PropertyList>> global;
  std::optional<std::string> revisionToken;  // none: the reader cannot tell
  std::map<std::string, std::string> spellChecker;
  bool fails = false;  // the read throws, as a faulty reader would
  mutable int globalReads = 0;
  mutable int spellCheckerReads = 0;
};

}  // namespace marlinet::testing
