#include "app/window_presenter.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/app/fake_window_host.h"

namespace marlinet {
namespace {

struct NamedContent final : WindowContent {
  explicit NamedContent(int number) : number(number) {}
  int number;
};

class WindowPresenterTest : public ::testing::Test {
 protected:
  WindowPresenter::ContentFactory content(int number) {
    return [this, number] {
      ++contentsMade;
      return std::make_shared<NamedContent>(number);
    };
  }

  testing::FakeWindowHost host;
  WindowPresenter presenter{host};
  int contentsMade = 0;
};

TEST_F(WindowPresenterTest, OneWindowPerIdKeepsItsTitleAndContentThroughCloseAndShow) {
  presenter.show("exclude", "Exclude Apps", content(1));
  presenter.close("exclude");
  EXPECT_FALSE(host.isVisible("exclude"));
  presenter.show("exclude", "Other Title", content(2));

  EXPECT_TRUE(host.isVisible("exclude"));
  EXPECT_EQ(host.created, 1);
  EXPECT_EQ(contentsMade, 1);
  EXPECT_EQ(host.activations, 2);
  const auto& window = host.windows.at("exclude");
  EXPECT_EQ(window.timesBroughtToFront, 2);
  EXPECT_EQ(window.title, "Exclude Apps");
  EXPECT_EQ(dynamic_cast<NamedContent&>(*presenter.window("exclude")->content).number, 1);
}

TEST_F(WindowPresenterTest, EachIdHasItsOwnWindowAndClosingAnUnknownIdDoesNothing) {
  presenter.close("preferences");
  presenter.show("preferences", "Marlinet Settings", content(1));
  presenter.show("exclude", "Exclude Apps", content(2));
  EXPECT_EQ(host.created, 2);
  EXPECT_EQ(host.front, "exclude");
  EXPECT_EQ(presenter.window("onboarding"), nullptr);
}

}  // namespace
}  // namespace marlinet
