#include "shell/exclude_apps_window.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/app_model.h"
#include "shell/desktop_applications.h"
#include "support/app/app_harness.h"

namespace marlinet::shell {
namespace {

namespace fs = std::filesystem;

class ExcludeAppsWindowTest : public ::testing::Test {
 protected:
  ExcludeAppsWindowTest() {
    defaults = model->excludedBundleIDs();
    h.installedApplications.install(*defaults.begin());
    for (int i = 0; i < 60; ++i) h.installedApplications.launch("org.filler" + std::to_string(i), "Filler " + std::to_string(i));
    h.installedApplications.launch("org.alpha.Editor", "Alpha Editor");
    h.installedApplications.launch("org.beta.Mail", "Beta Mail");
    window = std::make_unique<ExcludeAppsWindow>(std::make_shared<ExcludeAppsWindowContent>(model->handle()));
    window->show();
    search = window->findChild<QLineEdit*>();
    list = window->findChild<QListView*>();
    restore = window->findChild<QPushButton*>();
  }

  // The rows as drawn, "✓" after a checked one.
  std::vector<std::string> shown() const {
    std::vector<std::string> rows;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
      const QModelIndex at = list->model()->index(row, 0);
      const bool checked = at.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
      rows.push_back(at.data().toString().toStdString() + (checked ? " ✓" : ""));
    }
    return rows;
  }
  // Clicks the check box of the row now showing `name`, as the user would.
  void clickCheckBox(const std::string& name) {
    const auto found = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, QString::fromStdString(name),
                                            1, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name;
    list->scrollTo(found.front());
    const QRect row = list->visualRect(found.front());
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    const int box = list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + margin + box / 2, row.center().y()));
  }

  testing::AppHarness h;
  std::unique_ptr<AppModel> model = h.makeModel();
  std::set<std::string> defaults;
  std::unique_ptr<ExcludeAppsWindow> window;
  QLineEdit* search = nullptr;
  QListView* list = nullptr;
  QPushButton* restore = nullptr;
};

TEST_F(ExcludeAppsWindowTest, SearchNarrowsClicksExcludeAndRestoreDefaultsBringsTheBuiltInListBack) {
  ASSERT_EQ(shown().size(), 63u);
  QTest::keyClicks(search, "EDIT");
  EXPECT_EQ(shown(), (std::vector<std::string>{"Alpha Editor"}));

  // The filtered row is the one excluded, and the redraw keeps the search.
  clickCheckBox("Alpha Editor");
  EXPECT_TRUE(model->excludedBundleIDs().contains("org.alpha.Editor"));
  EXPECT_EQ(shown(), (std::vector<std::string>{"Alpha Editor ✓"}));
  clickCheckBox("Alpha Editor");
  EXPECT_FALSE(model->excludedBundleIDs().contains("org.alpha.Editor"));
  EXPECT_EQ(shown(), (std::vector<std::string>{"Alpha Editor"}));

  search->clear();
  ASSERT_EQ(shown().size(), 63u);
  clickCheckBox("Beta Mail");

  // A click far down the list leaves it scrolled where it was.
  clickCheckBox("Filler 50");
  const int scrolled = list->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 0);
  clickCheckBox("Filler 50");
  EXPECT_EQ(list->verticalScrollBar()->value(), scrolled);

  ASSERT_NE(model->excludedBundleIDs(), defaults);
  QTest::mouseClick(restore, Qt::LeftButton);
  EXPECT_EQ(model->excludedBundleIDs(), defaults);

  QTest::keyClick(search, Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(ExcludeAppsWindowTest, OutlivesTheModelShowingTheLastListAndDoingNothing) {
  const std::vector<std::string> before = shown();
  model.reset();
  clickCheckBox("Beta Mail");
  QTest::mouseClick(restore, Qt::LeftButton);
  window->hide();
  window->show();
  EXPECT_EQ(shown(), before);
}

// The desktop's applications over a folder of `.desktop` files.
TEST(DesktopApplications, OffersWhatALauncherShowsSkipsABrokenFileAndRereadsAChangedFolder) {
  const testing::TemporaryFolder folder;
  const fs::path apps = folder / "applications";
  const auto app = [](const std::string& body) { return "[Desktop Entry]\nType=Application\n" + body; };
  testing::writeBytes(apps / "alpha.desktop", app("Name=Alpha\nIcon=alpha-icon\n"));
  testing::writeBytes(apps / "vendor/tool.desktop", app("Name=Tool\nIcon=/opt/tool.png\n"));
  testing::writeBytes(apps / "quiet.desktop", app("Name=Quiet\nNoDisplay=true\n"));
  testing::writeBytes(apps / "gone.desktop", app("Name=Gone\nHidden=true\n"));
  testing::writeBytes(apps / "broken.desktop", "[Desktop Entry\nType=Application\nName=Broken\n");
  // Old enough that a change to the folders shows in their time stamps.
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(apps, past);
  fs::last_write_time(apps / "vendor", past);

  const DesktopApplications desktop({apps, folder / "missing"}, "", std::chrono::milliseconds(0));
  const auto offered = [&desktop] {
    std::vector<std::string> rows;
    for (const RunningApplication& a : desktop.runningApplications()) rows.push_back(*a.bundleIdentifier + "=" + *a.localizedName);
    return rows;
  };
  const auto icon = [&desktop](const std::string& id) {
    const auto* found = dynamic_cast<const DesktopIcon*>(desktop.iconForFile(*desktop.applicationLocation(id)).get());
    return found ? found->nameOrPath : "none";
  };
  EXPECT_EQ(offered(), (std::vector<std::string>{"alpha=Alpha", "vendor-tool=Tool"}));
  EXPECT_EQ(desktop.applicationLocation("alpha"), apps / "alpha.desktop");
  EXPECT_TRUE(desktop.applicationLocation("quiet")) << "installed, only not shown";
  EXPECT_FALSE(desktop.applicationLocation("gone"));
  EXPECT_EQ(icon("alpha") + " " + icon("vendor-tool"), "alpha-icon /opt/tool.png");

  // Edited in place, the folder's time stamp unchanged: not read again.
  testing::writeBytes(apps / "alpha.desktop", app("Name=Renamed\n"));
  EXPECT_EQ(offered().front(), "alpha=Alpha");
  // A file added to a subfolder, then one removed from the top folder.
  testing::writeBytes(apps / "vendor/extra.desktop", app("Name=Extra\n"));
  EXPECT_EQ(offered(), (std::vector<std::string>{"alpha=Renamed", "vendor-extra=Extra", "vendor-tool=Tool"}));
  fs::remove(apps / "alpha.desktop");
  EXPECT_EQ(offered(), (std::vector<std::string>{"vendor-extra=Extra", "vendor-tool=Tool"}));
}

}  // namespace
}  // namespace marlinet::shell
