#include "shell/settings_window.h"

#include <gtest/gtest.h>

#include <QGridLayout>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/content/window_descriptions.h"
#include "app/localization.h"
#include "shell/onboarding_window.h"
#include "support/app/app_harness.h"

namespace marlinet::shell {
namespace {

// The visible control or label showing `text`, or null.
template <typename Widget>
Widget* shown(const QWidget& window, const std::string& text) {
  for (Widget* widget : window.findChildren<Widget*>()) {
    if (widget->isVisible() && widget->text() == QString::fromStdString(text)) return widget;
  }
  return nullptr;
}

// The number drawn beside the row titled `title`; "hidden" without such a row.
std::string valueOf(const QWidget& window, const std::string& title) {
  QLabel* label = shown<QLabel>(window, title);
  if (label == nullptr) return "hidden";
  const auto* grid = qobject_cast<QGridLayout*>(label->parentWidget()->layout());
  int row = 0, column = 0, rows = 0, columns = 0;
  grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
  return qobject_cast<QLabel*>(grid->itemAtPosition(row, 1)->widget())->text().toStdString();
}

// A click where a user clicks a check box: on its box, not past the end of its text.
void click(QAbstractButton* control) {
  ASSERT_NE(control, nullptr);
  QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(std::min(8, control->width() / 2), control->height() / 2));
}

// How many times the permission checks were sampled while `seconds` passed.
long samplesDuring(testing::AppHarness& h, double seconds) {
  h.log.clear();
  h.time.advance(seconds);
  return std::count(h.log.entries.begin(), h.log.entries.end(), "accessibility?");
}

const std::string importedXML =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><array><dict><key>phrase</key>"
    "<string>thank you</string><key>shortcut</key><string>ty</string></dict></array></plist>";

class WindowsTest : public ::testing::Test {
 protected:
  WindowsTest() {
    h.permissions.accessibility = h.permissions.inputMonitoring = true;
    h.setSystemList({{"omw", "on my way"}});
  }
  template <typename Content>
  std::shared_ptr<Content> contentOf(const WindowDescription& description) {
    return std::dynamic_pointer_cast<Content>(h.windowHost.windows.at(std::string(description.id)).content);
  }
  std::unique_ptr<SettingsWindow> openSettings(std::vector<std::string> notes = {}) {
    model->showPreferences();
    auto window = std::make_unique<SettingsWindow>(contentOf<PreferencesWindowContent>(preferencesWindow), notes);
    window->show();
    return window;
  }
  std::unique_ptr<OnboardingWindow> makeOnboarding() {
    model->showOnboarding();
    return std::make_unique<OnboardingWindow>(contentOf<OnboardingWindowContent>(onboardingWindow));
  }

  testing::AppHarness h;
  std::unique_ptr<AppModel> model = h.makeModel();
};

TEST_F(WindowsTest, TheSwitchesChangeTheModelAndShowTheStateItPublishesAndEscapeHidesTheWindow) {
  const std::string note = "Password fields cannot be recognised: the accessibility bus is not available.";
  const auto window = openSettings({note});
  EXPECT_NE(shown<QLabel>(*window, note), nullptr);
  QCheckBox* expand = shown<QCheckBox>(*window, localized("Expand text replacements"));
  ASSERT_NE(expand, nullptr);
  ASSERT_TRUE(model->isEnabled());
  click(expand);
  EXPECT_FALSE(model->isEnabled());
  model->setEnabled(true);
  EXPECT_TRUE(expand->isChecked()) << "follows a change made elsewhere";

  QCheckBox* login = shown<QCheckBox>(*window, localized("Open at login"));
  h.loginItem.refuses = true;
  click(login);
  EXPECT_FALSE(login->isChecked()) << "the system refused";
  EXPECT_EQ(h.alertSound.beeps, 1);
  h.loginItem.refuses = false;
  click(login);
  EXPECT_TRUE(login->isChecked());
  EXPECT_TRUE(h.loginItem.enabled);

  // The window's own switch: nothing to publish it, the window redraws itself.
  QCheckBox* updates = shown<QCheckBox>(*window, localized("Check for updates automatically"));
  const bool before = updates->isChecked();
  click(updates);
  EXPECT_EQ(contentOf<PreferencesWindowContent>(preferencesWindow)->automaticUpdates, !before);
  EXPECT_EQ(updates->isChecked(), !before);

  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowsTest, ImportingShowsTheImportedRowABadFileOnlyAlertsAndRemoveTakesTheRowAway) {
  const auto window = openSettings();
  QAbstractButton* import = shown<QPushButton>(*window, localized("Import .plist…"));
  ASSERT_NE(import, nullptr);
  h.chooseFileWith("list.plist", importedXML);
  click(import);
  EXPECT_TRUE(h.dialogs.alerts.empty());
  EXPECT_EQ(valueOf(*window, localized("From imported file")), "1");
  EXPECT_EQ(valueOf(*window, localized("Replacements found")), "2");

  h.chooseFileWith("bad.plist", "not a list");
  click(import);
  EXPECT_EQ(h.dialogs.alerts, std::vector<std::string>{localized(AppModel::notAListMessage)});
  EXPECT_EQ(valueOf(*window, localized("Replacements found")), "2");

  click(shown<QPushButton>(*window, localized("Remove")));
  EXPECT_EQ(valueOf(*window, localized("From imported file")), "hidden");
  EXPECT_EQ(shown<QPushButton>(*window, localized("Remove")), nullptr);
  EXPECT_EQ(valueOf(*window, localized("Replacements found")), "1");
}

TEST_F(WindowsTest, OnboardingPollsOnlyWhileShownFollowsTheGrantsAndDoneClosesIt) {
  h.permissions.accessibility = h.permissions.inputMonitoring = false;
  h.permissions.requestGrants = true;
  const auto window = makeOnboarding();
  EXPECT_EQ(samplesDuring(h, 3), 0) << "made, not shown";
  window->show();
  EXPECT_GE(samplesDuring(h, 3), 3);
  QTest::keyClick(window.get(), Qt::Key_Return);
  EXPECT_TRUE(h.windowHost.isVisible(std::string(onboardingWindow.id))) << "Done is not the default while waiting";

  click(shown<QPushButton>(*window, localized("Open Input Monitoring Settings")));
  EXPECT_TRUE(h.permissions.inputMonitoring);
  h.time.advance(1);
  EXPECT_EQ(shown<QPushButton>(*window, localized("Open Input Monitoring Settings")), nullptr);
  EXPECT_NE(shown<QPushButton>(*window, localized("Open Accessibility Settings")), nullptr);
  h.permissions.accessibility = true;  // granted in the system's settings
  h.time.advance(1);
  EXPECT_EQ(shown<QPushButton>(*window, localized("Open Accessibility Settings")), nullptr);

  click(shown<QPushButton>(*window, localized("Done")));
  EXPECT_FALSE(h.windowHost.isVisible(std::string(onboardingWindow.id)));
  window->hide();  // as the desktop's window host does
  EXPECT_EQ(samplesDuring(h, 3), 0);
  window->show();
  EXPECT_GE(samplesDuring(h, 3), 3) << "polls again when shown again";
}

TEST_F(WindowsTest, BothWindowsOutliveTheModel) {
  const auto settings = openSettings();
  const auto onboarding = makeOnboarding();
  onboarding->show();
  QCheckBox* expand = shown<QCheckBox>(*settings, localized("Expand text replacements"));
  model.reset();
  click(expand);
  EXPECT_TRUE(expand->isChecked()) << "the last state stays";
  click(shown<QPushButton>(*settings, localized("Import .plist…")));
  click(shown<QPushButton>(*onboarding, localized("Done")));
  onboarding->hide();
  onboarding->show();
  EXPECT_TRUE(h.dialogs.alerts.empty());
}

}  // namespace
}  // namespace marlinet::shell
