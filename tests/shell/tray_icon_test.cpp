#include "shell/tray_icon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/model_content.h"
#include "support/app/app_harness.h"

namespace marlinet::shell {
namespace {

class TrayIconTest : public ::testing::Test {
 protected:
  TrayIconTest() {
    h.permissions.accessibility = h.permissions.inputMonitoring = true;
    h.setSystemList({{"omw", "on my way"}});
    follow = model->subscribe([this] { tray.refresh(); });
  }
  // Opens the menu as a click on the icon does; each row as "·" (disabled), text, ✓, shortcut, "@" (image).
  std::vector<std::string> open() {
    tray.menu().popup({0, 0});
    std::vector<std::string> rows;
    for (const QAction* a : tray.menu().actions()) {
      std::string row = a->isSeparator() ? "-" : (a->isEnabled() ? "" : "·") + a->text().toStdString();
      if (a->isChecked()) row += " ✓";
      if (!a->shortcut().isEmpty()) row += " " + a->shortcut().toString().toStdString();
      if (!a->icon().isNull()) row += " @";
      rows.push_back(row);
    }
    return rows;
  }
  void choose(const QString& text) {
    for (QAction* action : tray.menu().actions()) {
      if (action->text() == text) action->trigger();
    }
    tray.menu().hide();
  }
  // Dimmed is drawn see-through; the full icon has opaque strokes. 24 pixels wide: no padding per line.
  bool iconDimmed() const {
    const QImage alpha = tray.item().icon().pixmap(24, 24).toImage().convertToFormat(QImage::Format_Alpha8);
    return *std::max_element(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes()) < 160;
  }

  testing::AppHarness h;
  std::unique_ptr<AppModel> model = h.makeModel();
  int quits = 0;
  TrayIcon tray{statusMenuHooks(model->handle(), [this] { ++quits; }, nullptr)};
  Subscription follow;
};

TEST_F(TrayIconTest, TheMenuShowsTheStateOfEachOpeningAndForwardsTheChosenRow) {
  model->start();
  EXPECT_EQ(open(), (std::vector<std::string>{"·Expanding in apps that don’t do it themselves @",
                                              "Expand Text Replacements ✓ Ctrl+E", "-", "·Replacements found: 1",
                                              "Reload Ctrl+R", "Exclude Apps…", "-", "Settings… Ctrl+,",
                                              "Check for Updates…", "-", "Quit Marlinet Ctrl+Q"}));
  choose("Quit Marlinet");
  EXPECT_EQ(quits, 1);
}

TEST_F(TrayIconTest, TheToggleSwitchesThePreferenceTheCheckMarkAndTheDimmedIcon) {
  EXPECT_TRUE(iconDimmed()) << "not expanding before start";
  model->start();
  EXPECT_FALSE(iconDimmed()) << "a change of the model redraws the icon";
  for (const bool on : {false, true}) {
    open();
    choose("Expand Text Replacements");
    EXPECT_EQ(h.defaults.boolForKey("expansionEnabled"), on);
    EXPECT_EQ(open().at(1), on ? "Expand Text Replacements ✓ Ctrl+E" : "Expand Text Replacements Ctrl+E");
    tray.menu().hide();
    EXPECT_EQ(iconDimmed(), !on);
  }
  // The model may go while the menu is open.
  open();
  model.reset();
  choose("Expand Text Replacements");
  EXPECT_TRUE(iconDimmed());
  EXPECT_EQ(open().at(0), "·Expansion is off @");
}

}  // namespace
}  // namespace marlinet::shell
