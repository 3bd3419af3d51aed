#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/key_event.h"
#include "engine/replacement_index.h"

namespace marlinet {

// What the coordinator must do for one typed shortcut.
struct Expansion {
  std::string typedShortcut;  // as found at the end of the buffer, in the typed case
  std::string phrase;         // already shaped by the case of typedShortcut
  std::int64_t deleteCount = 0;
  std::string delimiter;

  friend bool operator==(const Expansion&, const Expansion&) = default;
};

// The characters that end a shortcut. Semicolon, hyphen, slash and opening
// brackets are deliberately not among them.
inline constexpr std::string_view delimiters = " \t\r\n.,:!?)]}\"'";

// The phrase shaped by the case in which `typed` was written, or none when
// this replacement does not accept that spelling.
std::optional<std::string> adaptedPhrase(std::string_view typed, const Replacement& replacement);
std::string capitalizingFirstLetter(std::string_view phrase);

// Keeps the last typed characters and recognises a shortcut when a delimiter
// follows it. Owned by the coordinator; main thread only.
class ExpansionEngine final {
 public:
  explicit ExpansionEngine(ReplacementIndex index = {});

  std::optional<Expansion> feed(const TypedInput& input);

  const ReplacementIndex& index() const { return index_; }
  // Installs a new index and empties the buffer in the same step.
  void setIndex(ReplacementIndex index);

  void clearBuffer() noexcept { size_ = 0; }
  std::vector<std::string> buffer() const;
  std::size_t bufferSize() const noexcept { return size_; }
  std::size_t bufferLimit() const noexcept { return slots_.size(); }

 private:
  struct Match {
    std::string typed;
    std::string phrase;
    std::int64_t length;
  };

  const std::string& at(std::size_t position) const { return slots_[(head_ + position) % slots_.size()]; }
  void append(std::string_view character);
  void dropLast() noexcept;
  void appendText(std::string_view text);
  std::optional<Match> findMatch();

  ReplacementIndex index_;
  // Ring of characters, oldest at head_; assigning into a slot reuses its
  // storage, so steady typing does not allocate.
  std::vector<std::string> slots_;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
  std::string candidate_;
  std::string candidateKey_;
};

}  // namespace marlinet
