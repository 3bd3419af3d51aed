#include "coordination/expansion_coordinator.h"

#include <utility>
#include <variant>

#include "engine/unicode_text.h"

namespace marlinet {
namespace {

constexpr std::uint64_t commandFlag = 0x100000;

bool isLineBreakOrTab(char32_t c) {
  return c == 0x09 || (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

}  // namespace

bool shouldPaste(std::string_view phrase) {
  std::size_t count = 0;
  bool breaks = false;
  unicode::forEachCharacter(phrase, [&](std::string_view c) {
    ++count;
    breaks = breaks || isLineBreakOrTab(unicode::firstScalar(c));
  });
  return breaks || count > pasteThreshold;
}

ExpansionCoordinator::ExpansionCoordinator(ExpansionContext& context, EventPosting& poster,
                                           ClipboardKeeper& clipboard, Scheduler& scheduler,
                                           std::function<TimePoint()> now)
    : context_(context),
      poster_(poster),
      clipboard_(clipboard),
      scheduler_(scheduler),
      now_(std::move(now)),
      self_(std::make_shared<ExpansionCoordinator*>(this)) {}

TapVerdict ExpansionCoordinator::handle(const TapEvent& event) {
  if (std::holds_alternative<MouseDown>(event)) {
    engine_.clearBuffer();
    return TapVerdict::pass;
  }
  const auto& [key, synthetic] = std::get<KeyTapEvent>(event);
  if (synthetic) return TapVerdict::pass;

  if (isExpanding_) {
    const std::chrono::duration<double> elapsed = now_() - expansionStarted_;
    if (elapsed.count() < heldEventTimeout) {
      // Without a copy it could never be replayed: early is better than lost.
      if (!key.original) return TapVerdict::pass;
      held_.push_back(key);
      return TapVerdict::swallow;
    }
    // The steps stalled. Hand back everything typed so far, in order, and put
    // this key behind it so it cannot overtake the replays.
    if (abandonExpansion() > 0 && key.original) {
      poster_.repostAsUser(key.original);
      return TapVerdict::swallow;
    }
  }

  if (key.phase == Phase::up) return TapVerdict::pass;

  const Verdict verdict = currentVerdict();
  lastVerdict_ = verdict;
  onVerdict(verdict);
  if (verdict != Verdict::track) {
    engine_.clearBuffer();
    return TapVerdict::pass;
  }
  std::optional<Expansion> expansion = engine_.feed(key.typedInput());
  // A delimiter that cannot be replayed after the phrase is not swallowed.
  if (!expansion || !key.original) return TapVerdict::pass;
  beginExpansion(*expansion, key);
  return TapVerdict::swallow;  // the delimiter is replayed after the phrase
}

Verdict ExpansionCoordinator::currentVerdict() const {
  const std::optional<InputSourceInfo> source = context_.inputSource();
  const bool composing = source && source->isComposing();
  const bool allowed = isAllowed();
  const std::optional<std::string> frontmost = context_.frontmostBundleID();
  const std::shared_ptr<const BundleIDSet> excluded = excludedBundleIDs();
  const bool secure = context_.isSecureInputEnabled();
  static const BundleIDSet none;
  return ExpansionGate::verdict(allowed, secure, frontmost, ownBundleID, excluded ? *excluded : none, composing);
}

void ExpansionCoordinator::later(double seconds, std::function<void(ExpansionCoordinator&)> step) {
  scheduler_.schedule(seconds, [weak = std::weak_ptr<ExpansionCoordinator*>(self_), step = std::move(step)] {
    if (const auto self = weak.lock()) step(**self);
  });
}

void ExpansionCoordinator::beginExpansion(const Expansion& expansion, const KeyEvent& delimiterKey) {
  isExpanding_ = true;
  expansionStarted_ = now_();
  const std::int64_t id = ++expansionID_;
  unreplayedDelimiter_ = delimiterKey;
  onExpansion(expansion);
  later(0, [id, expansion, delimiterKey](ExpansionCoordinator& self) {
    self.performExpansion(id, expansion, delimiterKey);
  });
}

void ExpansionCoordinator::performExpansion(std::int64_t id, const Expansion& expansion,
                                            const KeyEvent& delimiterKey) {
  if (id != expansionID_ || !isExpanding_) return;  // abandoned or superseded
  for (std::int64_t i = 0; i < expansion.deleteCount; ++i) {
    poster_.postKey(keycode::deleteKey, true, 0);
    poster_.postKey(keycode::deleteKey, false, 0);
  }
  if (shouldPaste(expansion.phrase) || !poster_.canType(expansion.phrase)) {
    const std::int64_t generation = clipboard_.writeText(expansion.phrase);
    const std::uint16_t code = poster_.keyCode("v").value_or(keycode::v);
    poster_.postKey(code, true, commandFlag);
    poster_.postKey(code, false, commandFlag);
    later(pasteDelimiterDelay, [id, delimiterKey, generation](ExpansionCoordinator& self) {
      self.completePaste(id, delimiterKey, generation);
    });
    return;
  }
  poster_.postText(expansion.phrase);
  replayDelimiter(delimiterKey);
  finishExpansion(id);
}

void ExpansionCoordinator::completePaste(std::int64_t id, const KeyEvent& delimiterKey, std::int64_t generation) {
  if (id == expansionID_ && isExpanding_) {
    replayDelimiter(delimiterKey);
    finishExpansion(id);
  }
  // The phrase is on the pasteboard whatever happened to the expansion, so the
  // user's content is always owed back.
  later(clipboardRestoreDelay, [generation](ExpansionCoordinator& self) { self.clipboard_.restore(generation); });
}

void ExpansionCoordinator::replayDelimiter(const KeyEvent& delimiterKey) {
  poster_.repostAsOwn(delimiterKey.original);
  unreplayedDelimiter_.reset();
}

std::size_t ExpansionCoordinator::finishExpansion(std::int64_t id) {
  if (id != expansionID_ || !isExpanding_) return 0;
  isExpanding_ = false;
  std::vector<KeyEvent> replay;
  replay.swap(held_);
  std::size_t replayed = 0;
  for (const KeyEvent& event : replay) {
    if (!event.original) continue;  // nothing to post again
    poster_.repostAsUser(event.original);
    ++replayed;
  }
  return replayed;
}

std::size_t ExpansionCoordinator::abandonExpansion() {
  std::size_t replayed = 0;
  if (unreplayedDelimiter_) {
    // The steps never got as far as the delimiter; without this it would be lost.
    const bool hasOriginal = unreplayedDelimiter_->original != nullptr;
    replayDelimiter(*unreplayedDelimiter_);
    if (hasOriginal) ++replayed;
  }
  return replayed + finishExpansion(expansionID_);
}

}  // namespace marlinet
