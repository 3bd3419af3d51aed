#include "simulation/virtual_scheduler.h"

#include <gtest/gtest.h>

#include <string>

namespace marlinet::simulation {
namespace {

// Work runs in due order; work due at the same moment runs in the order it
// was scheduled, however the queue is arranged inside.
TEST(VirtualSchedulerTest, TakesDueWorkInDueOrderAndTiesInScheduledOrder) {
  VirtualTime now{std::chrono::hours(1)};
  VirtualScheduler scheduler(now);
  std::string ran;
  const char* names = "abcdefghij";
  const double delays[] = {0.2, 0.1, 0.2, 0.1, 0.0, 0.2, 0.1, 0.0, 0.2, 0.1};
  for (int i = 0; i < 10; ++i) scheduler.schedule(delays[i], [&, i] { ran += names[i]; });

  while (auto due = scheduler.takeDue(now + toDuration(0.15))) due->second();
  EXPECT_EQ(ran, "ehbdgj");
  EXPECT_EQ(scheduler.nextDue(), now + toDuration(0.2));

  now += toDuration(1);
  scheduler.schedule(0, [&] { ran += '!'; });  // due after the older work
  while (auto due = scheduler.takeDue(now)) due->second();
  EXPECT_EQ(ran, "ehbdgjacfi!");
  EXPECT_EQ(scheduler.nextDue(), std::nullopt);
}

}  // namespace
}  // namespace marlinet::simulation
