#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/simulated_event.h"

namespace marlinet::simulation {

// The frontmost application's text field: applies the key-downs that reach it.
class TextField final {
 public:
  // `pasteText` answers what Command-V inserts.
  explicit TextField(std::function<std::string()> pasteText) : pasteText_(std::move(pasteText)) {}

  void apply(const SimulatedEvent& event);
  const std::string& text() const { return text_; }

 private:
  void append(std::string_view added);
  void eraseLastCharacter();

  std::function<std::string()> pasteText_;
  std::string text_;
  // Where each character of `text_` starts. A boundary depends only on the
  // text before it and the one scalar after it, so appending moves at most
  // the last one and Delete never has to look at more than the last character.
  std::vector<std::size_t> starts_;
  std::vector<std::size_t> scratch_;
};

}  // namespace marlinet::simulation
