#include "platform/tap_event_translation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_doubles.h"

namespace marlinet {
namespace {

class FakeRawEvent final : public RawTapEvent {
 public:
  FakeRawEvent(std::int32_t type, std::int64_t keyCode = 0, std::u16string text = u"", std::uint64_t flags = 0,
               std::int64_t userData = 0)
      : type_(type), keyCode_(keyCode), text_(std::move(text)), flags_(flags), userData_(userData) {}

  std::int32_t type() const override { return type_; }
  std::int64_t integerField(std::uint32_t field) const override {
    if (field == rawEventField::sourceUserData) return userData_;
    if (field == rawEventField::keyboardKeycode) return keyCode_;
    return 0;
  }
  std::uint64_t flags() const override { return flags_; }
  std::size_t unicodeString(char16_t* units, std::size_t capacity) const override {
    ++textReads;
    std::copy_n(text_.begin(), std::min(capacity, text_.size()), units);
    return text_.size();
  }
  std::shared_ptr<const CapturedEvent> copy() const override {
    ++copies;
    return std::make_shared<testing::FakeCapturedEvent>(77);
  }

  mutable int textReads = 0;
  mutable int copies = 0;

 private:
  std::int32_t type_;
  std::int64_t keyCode_;
  std::u16string text_;
  std::uint64_t flags_;
  std::int64_t userData_;
};

struct Recorder {
  TapVerdict answer = TapVerdict::pass;
  std::vector<TapEvent> seen;
  TapHandler handler() {
    return [this](const TapEvent& event) {
      seen.push_back(event);
      return answer;
    };
  }
};

TEST(TapTranslation, OwnEventsCarryNoTextAndNoCopyWhileTheUsersCarryBoth) {
  const FakeRawEvent own(rawEventType::keyDown, 0, u"x", 0, ownEventMarker);
  const KeyTapEvent ownKey = keyTapEventFrom(own);
  EXPECT_TRUE(ownKey.synthetic);
  EXPECT_TRUE(ownKey.event.characters.empty());
  EXPECT_EQ(ownKey.event.original, nullptr);
  EXPECT_EQ(own.textReads + own.copies, 0);

  const FakeRawEvent user(rawEventType::keyUp, 0x10000 + 31, u"o", 0, ownEventMarker + 1);
  const KeyTapEvent userKey = keyTapEventFrom(user);
  EXPECT_FALSE(userKey.synthetic);
  EXPECT_EQ(userKey.event.phase, Phase::up);
  EXPECT_EQ(userKey.event.keyCode, 31) << "only the low 16 bits are the key code";
  EXPECT_EQ(userKey.event.characters, "o");
  EXPECT_EQ(testing::capturedID(userKey.event.original), 77);
}

TEST(TapTranslation, TextIsCutAtEightUnits) {
  EXPECT_EQ(keyTapEventFrom(FakeRawEvent(rawEventType::keyDown, 0, u"abcdefghij")).event.characters, "abcdefgh");
  // A surrogate pair split by the limit leaves a replacement character, never a broken sequence.
  const std::u16string sevenAndEmoji = u"abcdefg\U0001F600";
  EXPECT_EQ(keyTapEventFrom(FakeRawEvent(rawEventType::keyDown, 0, sevenAndEmoji)).event.characters,
            "abcdefg\xEF\xBF\xBD");
  EXPECT_EQ(keyTapEventFrom(FakeRawEvent(rawEventType::keyDown, 0, u"\u00e9\U0001F600")).event.characters,
            "\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(TapTranslation, FlagsMapToModifiers) {
  EXPECT_EQ(modifiersFromFlags(rawEventFlag::shift | rawEventFlag::control).rawValue, 3);
  EXPECT_EQ(modifiersFromFlags(0x10000 /* caps lock */ | 0x200000 /* numeric pad */ | 0xFF).rawValue, 0);
  EXPECT_EQ(modifiersFromFlags(rawEventFlag::shift | rawEventFlag::control | rawEventFlag::alternate |
                               rawEventFlag::command | rawEventFlag::secondaryFn)
                .rawValue,
            31);
  EXPECT_EQ(flagsFromModifiers({KeyModifiers::shift, KeyModifiers::command}), 0x120000u);
  for (std::int64_t raw = 0; raw < 32; ++raw) {
    EXPECT_EQ(modifiersFromFlags(flagsFromModifiers(KeyModifiers(raw))).rawValue, raw);
  }
}

TEST(TapTranslation, VerdictsApplyToKeysOnly) {
  Recorder recorder;
  recorder.answer = TapVerdict::swallow;

  auto result = dispatchTapEvent(FakeRawEvent(rawEventType::keyDown, 0, u"a"), recorder.handler());
  EXPECT_TRUE(result.removeEvent);
  EXPECT_FALSE(result.reenableTap);

  for (std::int32_t mouse : {rawEventType::leftMouseDown, rawEventType::rightMouseDown, rawEventType::otherMouseDown}) {
    result = dispatchTapEvent(FakeRawEvent(mouse), recorder.handler());
    EXPECT_FALSE(result.removeEvent) << "mouse events are never removed";
  }
  EXPECT_EQ(recorder.seen.size(), 4u);
  EXPECT_TRUE(std::holds_alternative<MouseDown>(recorder.seen.back()));

  for (std::int32_t disabled : {rawEventType::tapDisabledByTimeout, rawEventType::tapDisabledByUserInput}) {
    recorder.seen.clear();
    result = dispatchTapEvent(FakeRawEvent(disabled), recorder.handler());
    EXPECT_TRUE(result.reenableTap);
    EXPECT_FALSE(result.removeEvent);
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<MouseDown>(recorder.seen[0]));
  }

  recorder.seen.clear();
  result = dispatchTapEvent(FakeRawEvent(rawEventType::flagsChanged), recorder.handler());
  EXPECT_TRUE(recorder.seen.empty()) << "a modifier pressed alone never reaches the handler";
  EXPECT_FALSE(result.removeEvent);
}

}  // namespace
}  // namespace marlinet
