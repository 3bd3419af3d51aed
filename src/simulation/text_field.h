#pragma once

#include <functional>
#include <string>

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
  void eraseLastCharacter();

  std::function<std::string()> pasteText_;
  std::string text_;
};

}  // namespace marlinet::simulation
