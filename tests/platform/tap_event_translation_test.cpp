#include "platform/tap_event_translation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_doubles.h"

namespace marlinet {
namespace {

struct FakeRawEvent final : RawTapEvent {
  FakeRawEvent(std::int32_t type, std::int64_t keyCode = 0, std::u16string text = u"", std::int64_t userData = 0)
      : type_(type), keyCode_(keyCode), text_(std::move(text)), userData_(userData) {}
  std::int32_t type() const override { return type_; }
  std::int64_t integerField(std::uint32_t field) const override {
    return field == rawEventField::sourceUserData ? userData_ : field == rawEventField::keyboardKeycode ? keyCode_ : 0;
  }
  std::uint64_t flags() const override { return 0; }
  std::size_t unicodeString(char16_t* units, std::size_t capacity) const override {
    ++touches;
    std::copy_n(text_.begin(), std::min(capacity, text_.size()), units);
    return text_.size();
  }
  std::shared_ptr<const CapturedEvent> copy() const override {
    ++touches;
    return std::make_shared<testing::FakeCapturedEvent>(77);
  }

  std::int32_t type_;
  std::int64_t keyCode_;
  std::u16string text_;
  std::int64_t userData_;
  mutable int touches = 0;  // text reads and copies
};

TEST(TapTranslation, OwnEventsCarryNoTextAndNoCopyWhileTheUsersCarryBoth) {
  const FakeRawEvent own(rawEventType::keyDown, 0, u"x", ownEventMarker);
  const KeyTapEvent ownKey = keyTapEventFrom(own);
  EXPECT_TRUE(ownKey.synthetic);
  EXPECT_EQ(own.touches, 0);

  const KeyTapEvent userKey =
      keyTapEventFrom(FakeRawEvent(rawEventType::keyUp, 0x10000 + 31, u"o", ownEventMarker + 1));
  EXPECT_FALSE(userKey.synthetic);
  EXPECT_EQ(userKey.event.phase, Phase::up);
  EXPECT_EQ(userKey.event.keyCode, 31) << "only the low 16 bits are the key code";
  EXPECT_EQ(userKey.event.characters, "o");
  EXPECT_EQ(testing::capturedID(userKey.event.original), 77);
  // Text is cut at eight units without breaking a sequence.
  for (const auto& [text, characters] : {std::pair<std::u16string, std::string>{u"abcdefghij", "abcdefgh"},
                                         {u"abcdefg\U0001F600", "abcdefg\uFFFD"}}) {
    EXPECT_EQ(keyTapEventFrom(FakeRawEvent(rawEventType::keyDown, 0, text)).event.characters, characters);
  }
}

TEST(TapTranslation, FlagsMapToModifiersBothWaysIgnoringTheRest) {
  EXPECT_EQ(modifiersFromFlags(0x10000 /* caps lock */ | 0x200000 /* numeric pad */ | 0xFF).rawValue, 0);
  for (std::int64_t raw = 0; raw < 32; ++raw) {
    EXPECT_EQ(modifiersFromFlags(flagsFromModifiers(KeyModifiers(raw))).rawValue, raw);
  }
}

TEST(TapTranslation, VerdictsApplyToKeysOnly) {
  std::vector<TapEvent> seen;
  const TapHandler swallow = [&](const TapEvent& event) {
    seen.push_back(event);
    return TapVerdict::swallow;
  };
  EXPECT_TRUE(dispatchTapEvent(FakeRawEvent(rawEventType::keyDown, 0, u"a"), swallow).removeEvent);
  EXPECT_FALSE(dispatchTapEvent(FakeRawEvent(rawEventType::flagsChanged), swallow).removeEvent);
  EXPECT_EQ(seen.size(), 1u) << "a modifier pressed alone never reaches the handler";
  // Mouse-downs and a disabled tap both end the word; only the latter re-enables, neither is removed.
  for (const auto& [type, reenable] : {std::pair{rawEventType::leftMouseDown, false},
                                       {rawEventType::otherMouseDown, false},
                                       {rawEventType::tapDisabledByTimeout, true},
                                       {rawEventType::tapDisabledByUserInput, true}}) {
    seen.clear();
    const TapCallbackResult result = dispatchTapEvent(FakeRawEvent(type), swallow);
    EXPECT_FALSE(result.removeEvent) << type;
    EXPECT_EQ(result.reenableTap, reenable) << type;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<MouseDown>(seen[0]));
  }
}

}  // namespace
}  // namespace marlinet
