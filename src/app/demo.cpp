// A short demonstration of the expansion path from a terminal: typed keys run
// through the real coordinator, engine, gate and clipboard keeper, and what
// they post is applied to an in-memory text field.

#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "coordination/expansion_coordinator.h"
#include "engine/unicode_text.h"

namespace marlinet {
namespace {

struct DemoEvent final : CapturedEvent {
  explicit DemoEvent(std::string text) : characters(std::move(text)) {}
  std::string characters;
};

// Everything the coordinator needs, answered from memory; posted events are
// applied to `field` in order.
class DemoDesktop final : public EventPosting, public PasteboardAccess, public Scheduler, public ExpansionContext {
 public:
  void postKey(std::uint16_t keyCode, bool down, std::uint64_t flags) override {
    if (!down) return;
    if (keyCode == keycode::deleteKey) eraseLastCharacter();
    if (keyCode == keycode::v && flags != 0) field += pasteboardText;
  }
  void postText(const std::string& text) override { field += text; }
  std::optional<std::uint16_t> keyCode(const std::string& character) override {
    return character == "v" ? std::optional<std::uint16_t>(keycode::v) : std::nullopt;
  }
  void repostAsOwn(const std::shared_ptr<const CapturedEvent>& event) override {
    if (const auto* demo = dynamic_cast<const DemoEvent*>(event.get())) field += demo->characters;
  }
  void repostAsUser(const std::shared_ptr<const CapturedEvent>& event) override { repostAsOwn(event); }

  std::int64_t changeCount() const override { return changes; }
  std::vector<PasteboardItemSnapshot> snapshotItems() const override {
    return {{{"public.utf8-plain-text", PasteboardBytes(pasteboardText.begin(), pasteboardText.end())}}};
  }
  std::int64_t writeText(const std::string& text) override {
    pasteboardText = text;
    return ++changes;
  }
  void restoreItems(const std::vector<PasteboardItemSnapshot>& items) override {
    pasteboardText.clear();
    if (!items.empty()) {
      const auto found = items.front().find("public.utf8-plain-text");
      if (found != items.front().end()) pasteboardText.assign(found->second.begin(), found->second.end());
    }
    ++changes;
  }

  // Deferred work runs once the current keystroke has been answered; the demo
  // has no real clock, so delays only order the work.
  void schedule(double, std::function<void()> work) override { pending.push_back(std::move(work)); }
  void runPending() {
    while (!pending.empty()) {
      auto work = std::move(pending.front());
      pending.pop_front();
      work();
    }
  }

  std::optional<std::string> frontmostBundleID() const override { return "com.example.editor"; }
  bool isSecureInputEnabled() const override { return false; }
  std::optional<InputSourceInfo> inputSource() const override {
    return InputSourceInfo{"com.apple.keylayout.US", "TISTypeKeyboardLayout", {"en"}};
  }

  std::string field;
  std::string pasteboardText = "(the user's clipboard)";

 private:
  void eraseLastCharacter() {
    std::vector<std::size_t> bounds;
    unicode::characterBoundaries(field, bounds);
    if (bounds.size() >= 2) field.resize(bounds[bounds.size() - 2]);
  }

  std::int64_t changes = 0;
  std::deque<std::function<void()>> pending;
};

int runDemo() {
  DemoDesktop desktop;
  ClipboardKeeper keeper(desktop);
  ExpansionCoordinator coordinator(desktop, desktop, keeper, desktop);
  coordinator.engine().setIndex(ReplacementIndex({{"omw", "on my way"},
                                                 {"brb", "be right back"},
                                                 {"sig", "Best regards,\nThe Marlinet team"}}));
  coordinator.onExpansion = [](const Expansion& x) {
    std::printf("  expansion: \"%s\" -> \"%s\" (erase %lld)\n", x.typedShortcut.c_str(), x.phrase.c_str(),
                static_cast<long long>(x.deleteCount));
  };

  const std::string typed = "omw, Brb. OMW! xomw sig\n";
  std::printf("Replacements: omw, brb, sig\nTyping: \"omw, Brb. OMW! xomw sig\\n\"\n");
  unicode::forEachCharacter(typed, [&](std::string_view character) {
    KeyEvent key;
    key.keyCode = character == "\n" ? keycode::returnKey : 0;
    key.characters = character == "\n" ? std::string("\r") : std::string(character);
    key.original = std::make_shared<DemoEvent>(character == "\n" ? "\n" : std::string(character));
    if (coordinator.handle(KeyTapEvent{key, false}) == TapVerdict::pass) {
      desktop.field += static_cast<const DemoEvent&>(*key.original).characters;
    }
    desktop.runPending();
  });
  std::printf("Text field now holds:\n%s\nClipboard after the paste: %s\n", desktop.field.c_str(),
              desktop.pasteboardText.c_str());
  return 0;
}

}  // namespace
}  // namespace marlinet

int main() { return marlinet::runDemo(); }
