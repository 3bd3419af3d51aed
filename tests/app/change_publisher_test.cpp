#include "app/change_publisher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace marlinet {
namespace {

TEST(ChangePublisherTest, AnObserverCancelledDuringAPublishIsNotCalledLater) {
  ChangePublisher publisher;
  std::vector<int> calls;
  std::optional<Subscription> second;
  const Subscription first = publisher.subscribe([&] {
    calls.push_back(1);
    second.reset();
  });
  second = publisher.subscribe([&] { calls.push_back(2); });
  publisher.publish();
  publisher.publish();
  EXPECT_EQ(calls, (std::vector<int>{1, 1}));
}

TEST(ChangePublisherTest, MovedTokensKeepOneRegistrationAndMayOutliveThePublisher) {
  auto publisher = std::make_unique<ChangePublisher>();
  int heard = 0;
  Subscription moved;
  {
    Subscription original = publisher->subscribe([&] { ++heard; });
    moved = std::move(original);
  }
  publisher->publish();
  EXPECT_EQ(heard, 1);
  {
    const Subscription dropped = std::move(moved);
  }
  publisher->publish();
  EXPECT_EQ(heard, 1) << "a token that goes ends its registration";

  moved = publisher->subscribe([] {});
  publisher.reset();
  moved.cancel();  // must not touch the gone publisher
  EXPECT_FALSE(moved.isActive());
}

}  // namespace
}  // namespace marlinet
