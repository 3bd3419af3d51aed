#include "app/window_presenter.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/app/fake_window_host.h"

namespace marlinet {
namespace {

struct NamedContent final : WindowContent {
  explicit NamedContent(int value) : number(value) {}
  int number;
};

WindowPresenter::ContentFactory content(int number) {
  return [number] { return std::make_shared<NamedContent>(number); };
}

TEST(WindowPresenterTest, OneWindowPerIdKeepsItsTitleAndContentThroughCloseAndShow) {
  testing::FakeWindowHost host;
  WindowPresenter presenter{host};
  presenter.close("exclude");  // unknown: nothing to do
  presenter.show("exclude", "Exclude Apps", content(1));
  presenter.show("preferences", "Marlinet Settings", content(2));
  presenter.close("exclude");
  EXPECT_FALSE(host.isVisible("exclude"));
  presenter.show("exclude", "Other Title", content(3));

  EXPECT_TRUE(host.isVisible("exclude"));
  EXPECT_EQ(host.front, "exclude");
  EXPECT_EQ(host.created, 2);
  EXPECT_EQ(host.activations, 3) << "every show brings the application forward";
  EXPECT_EQ(host.windows.at("exclude").title, "Exclude Apps");
  EXPECT_EQ(dynamic_cast<NamedContent&>(*presenter.window("exclude")->content).number, 1);
  EXPECT_EQ(presenter.window("onboarding"), nullptr);
}

}  // namespace
}  // namespace marlinet
