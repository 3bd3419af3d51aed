#include "shell/tray_icon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "app/model_content.h"
#include "support/app/app_harness.h"

namespace marlinet::shell {
namespace {

// A row as the menu draws it.
struct Shown {
  std::string text;  // "-" for a separator
  bool enabled = true;
  bool checked = false;
  std::string shortcut;
  bool hasIcon = false;
  friend bool operator==(const Shown&, const Shown&) = default;
};

Shown separator() { return {"-", false, false, "", false}; }
Shown information(std::string text, bool hasIcon = false) { return {std::move(text), false, false, "", hasIcon}; }
Shown command(std::string text, std::string shortcut = "", bool hasIcon = false, bool checked = false) {
  return {std::move(text), true, checked, std::move(shortcut), hasIcon};
}

std::ostream& operator<<(std::ostream& out, const Shown& row) {
  return out << row.text << (row.enabled ? "" : " (disabled)") << (row.checked ? " (checked)" : "") << " ["
             << row.shortcut << "]" << (row.hasIcon ? " (icon)" : "");
}

class TrayIconTest : public ::testing::Test {
 protected:
  TrayIconTest() {
    h.permissions.accessibility = h.permissions.inputMonitoring = true;
    h.setSystemList({{"omw", "on my way"}});
    tray = std::make_unique<TrayIcon>(statusMenuHooks(model->handle(), [this] { ++quits; }, nullptr));
    follow = model->subscribe([this] { tray->refresh(); });
  }

  // Opens the menu as a click on the icon does and answers what it shows.
  std::vector<Shown> open() {
    tray->menu().popup({0, 0});
    QApplication::processEvents();
    std::vector<Shown> rows;
    for (const QAction* action : tray->menu().actions()) {
      if (action->isSeparator()) {
        rows.push_back(separator());
        continue;
      }
      rows.push_back({action->text().toStdString(), action->isEnabled(), action->isChecked(),
                      action->shortcut().toString().toStdString(), !action->icon().isNull()});
    }
    return rows;
  }
  void choose(const std::string& text) {
    for (QAction* action : tray->menu().actions()) {
      if (action->text().toStdString() == text) action->trigger();
    }
    tray->menu().hide();
    QApplication::processEvents();
  }
  // Dimmed is drawn see-through; the full icon has opaque strokes.
  bool iconDimmed() const {
    const QImage image = tray->item().icon().pixmap(22, 22).toImage();
    int opaquest = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) opaquest = std::max(opaquest, qAlpha(image.pixel(x, y)));
    }
    EXPECT_GT(opaquest, 0) << "nothing drawn";
    return opaquest < 160;
  }

  testing::AppHarness h;
  std::unique_ptr<AppModel> model = h.makeModel();
  int quits = 0;
  std::unique_ptr<TrayIcon> tray;
  Subscription follow;
};

TEST_F(TrayIconTest, MenuShowsTheCurrentStateAtEveryOpening) {
  const Shown toggleOn = command("Expand Text Replacements", "Ctrl+E", false, true);
  const std::vector<Shown> tail{
      separator(),
      information("Replacements found: 1"),
      command("Reload", "Ctrl+R"),
      command("Exclude Apps…"),
      separator(),
      command("Settings…", "Ctrl+,"),
      command("Check for Updates…"),
      separator(),
      command("Quit Marlinet", "Ctrl+Q"),
  };
  struct Case {
    const char* name;
    bool trusted;
    std::vector<Shown> head;
  };
  const Case cases[] = {
      {"expanding", true, {information("Expanding in apps that don’t do it themselves", true), toggleOn}},
      {"without permission", false,
       {information("Needs Accessibility access", true), toggleOn, command("Allow Access…", "", true)}},
  };
  model->start();
  for (const Case& c : cases) {
    h.permissions.accessibility = c.trusted;
    std::vector<Shown> expected = c.head;
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(open(), expected) << c.name;
    tray->menu().hide();
  }
  open();
  choose("Quit Marlinet");
  EXPECT_EQ(quits, 1);
}

TEST_F(TrayIconTest, TheToggleSwitchesTheStoredPreferenceTheCheckMarkAndTheDimmedIcon) {
  EXPECT_TRUE(iconDimmed()) << "not expanding before start";
  model->start();
  EXPECT_FALSE(iconDimmed()) << "a change of the model redraws the icon";
  for (const bool on : {false, true}) {
    open();
    choose("Expand Text Replacements");
    EXPECT_EQ(h.defaults.boolForKey("expansionEnabled"), on);
    EXPECT_EQ(open().at(1).checked, on);
    tray->menu().hide();
    EXPECT_EQ(iconDimmed(), !on);
  }
}

TEST_F(TrayIconTest, TheModelMayGoWhileTheMenuIsOpen) {
  model->start();
  open();
  model.reset();
  choose("Expand Text Replacements");
  EXPECT_TRUE(iconDimmed());
  EXPECT_EQ(open().front().text, "Expansion is off");
}

}  // namespace
}  // namespace marlinet::shell

int main(int argc, char** argv) {
  // No tray and no X display needed: the menu is a plain widget offscreen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
