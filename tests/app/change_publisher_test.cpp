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
  Subscription moved = publisher->subscribe([&] { ++heard; });
  Subscription other = std::move(moved);  // the moved-from token must not end it
  publisher->publish();
  moved = std::move(other);
  publisher->publish();
  EXPECT_EQ(heard, 2);
  moved = publisher->subscribe([] {});  // assigning over a token ends its registration
  publisher->publish();
  EXPECT_EQ(heard, 2);
  publisher.reset();
  moved.cancel();  // must not touch the gone publisher
}

}  // namespace
}  // namespace marlinet
