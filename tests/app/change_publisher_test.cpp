#include "app/change_publisher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace marlinet {
namespace {

TEST(ChangePublisherTest, EndsARegistrationWhenItsTokenGoes) {
  ChangePublisher publisher;
  int heard = 0;
  {
    const Subscription subscription = publisher.subscribe([&] { ++heard; });
    publisher.publish();
  }
  publisher.publish();
  EXPECT_EQ(heard, 1);
  EXPECT_EQ(publisher.observerCount(), 0u);
}

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

TEST(ChangePublisherTest, ATokenMayOutliveItsPublisherAndMovesKeepOneRegistration) {
  auto publisher = std::make_unique<ChangePublisher>();
  int heard = 0;
  Subscription moved;
  {
    Subscription original = publisher->subscribe([&] { ++heard; });
    moved = std::move(original);
  }
  publisher->publish();
  EXPECT_EQ(heard, 1);
  publisher.reset();
  moved.cancel();  // nothing left to cancel; must not touch the gone publisher
  EXPECT_FALSE(moved.isActive());
}

}  // namespace
}  // namespace marlinet
