#include "shell/replacements_window.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/app_model.h"
#include "replacements/xml_property_list.h"
#include "support/app/app_harness.h"

namespace marlinet::shell {
namespace {

PropertyList record(const std::string& replace, const std::string& with) {
  return PropertyList(PropertyList::Dictionary{{"replace", PropertyList(replace)}, {"with", PropertyList(with)}});
}

class ReplacementsWindowTest : public ::testing::Test {
 protected:
  ReplacementsWindowTest() {
    h.useOwnList();
    model = h.makeModel();
    model->reload();
    file = *h.ownList->fileURL();
    window = std::make_unique<ReplacementsWindow>(
        std::make_shared<ReplacementsWindowContent>(model->handle(), file, h.files));
    window->askAfterOutsideChange = [this] {
      ++questions;
      return answer;
    };
    window->show();
    table = window->findChild<QTableView*>();
    search = window->findChildren<QLineEdit*>().at(0);
    shortcut = window->findChildren<QLineEdit*>().at(1);
    phrase = window->findChild<QPlainTextEdit*>();
  }

  QPushButton* button(const QString& title) const {
    for (QPushButton* candidate : window->findChildren<QPushButton*>()) {
      if (candidate->text() == title) return candidate;
    }
    ADD_FAILURE() << "no button " << title.toStdString();
    return nullptr;
  }
  // The rows as drawn: "shortcut = phrase", then " (note)" when there is one.
  std::vector<std::string> shown() const {
    std::vector<std::string> rows;
    const QAbstractItemModel* m = table->model();
    for (int row = 0; row < m->rowCount(); ++row) {
      std::string line = m->index(row, 0).data().toString().toStdString() + " = " +
                         m->index(row, 1).data().toString().toStdString();
      if (const QString note = m->index(row, 2).data().toString(); !note.isEmpty()) line += " (" + note.toStdString() + ")";
      rows.push_back(line);
    }
    return rows;
  }
  void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    const QRect at = table->visualRect(table->model()->index(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, at.center());
  }
  void addByTyping(const char* typedShortcut, const char* typedPhrase) {
    QTest::mouseClick(button("Add"), Qt::LeftButton);
    QTest::keyClicks(shortcut, typedShortcut);
    QTest::keyClicks(phrase, typedPhrase);
    QTest::mouseClick(button("Add Replacement"), Qt::LeftButton);
  }
  std::vector<Replacement> expanded() const { return model->library().system.replacements; }
  void writeOutside(const PropertyList::Array& records) {
    std::ofstream(file, std::ios::binary) << encodeXmlPropertyList(PropertyList(records));
  }

  testing::AppHarness h;
  std::unique_ptr<AppModel> model;
  std::filesystem::path file;
  std::unique_ptr<ReplacementsWindow> window;
  QTableView* table = nullptr;
  QLineEdit* search = nullptr;
  QLineEdit* shortcut = nullptr;
  QPlainTextEdit* phrase = nullptr;
  int questions = 0;
  ReplacementsWindow::Resolution answer = ReplacementsWindow::Resolution::keepMine;
};

TEST_F(ReplacementsWindowTest, AddEditSearchDeleteAndUndoTakeEffectAtOnce) {
  QTest::mouseClick(button("Add"), Qt::LeftButton);
  QTest::keyClicks(shortcut, "omw");
  EXPECT_FALSE(button("Add Replacement")->isEnabled()) << "no phrase yet";
  QTest::keyClicks(phrase, "On my way!");
  QTest::keyClick(phrase, Qt::Key_Return);
  QTest::keyClick(phrase, Qt::Key_Tab);
  QTest::keyClicks(phrase, "See you");
  QTest::mouseClick(button("Add Replacement"), Qt::LeftButton);
  addByTyping("brb", "Be right back");
  addByTyping(" omw", "again");
  addByTyping("x", "ray");
  EXPECT_EQ(shown(), (std::vector<std::string>{"omw = On my way!⏎ ⇥See you", "brb = Be right back",
                                               " omw = again (Duplicate)", "x = ray"}));
  EXPECT_EQ(expanded(),
            (std::vector<Replacement>{{"omw", "On my way!\n\tSee you"}, {"brb", "Be right back"}, {"x", "ray"}}));

  // Editing the selected row; moving to another row keeps what was typed.
  clickRow(1);
  EXPECT_EQ(shortcut->text(), "brb");
  QTest::keyClick(phrase, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(phrase, ", really");
  clickRow(0);
  EXPECT_EQ(expanded().at(1), (Replacement{"brb", "Be right back, really"}));

  QTest::keyClicks(search, "BACK");
  EXPECT_EQ(shown(), (std::vector<std::string>{"brb = Be right back, really"}));
  search->clear();

  clickRow(2);
  clickRow(3, Qt::ShiftModifier);
  QTest::mouseClick(button("Delete"), Qt::LeftButton);
  clickRow(0);
  QTest::keyClick(table, Qt::Key_Delete);
  EXPECT_EQ(shown(), (std::vector<std::string>{"brb = Be right back, really"}));
  EXPECT_EQ(expanded().size(), 1u);

  // Undo takes back the typing first, then the list's changes one by one.
  QTest::keyClicks(phrase, " typed");
  QTest::mouseClick(button("Undo"), Qt::LeftButton);
  EXPECT_EQ(phrase->toPlainText(), "Be right back, really");
  QTest::mouseClick(button("Undo"), Qt::LeftButton);
  QTest::mouseClick(button("Undo"), Qt::LeftButton);
  EXPECT_EQ(shown().size(), 4u);
  EXPECT_EQ(expanded().size(), 3u);
}

TEST_F(ReplacementsWindowTest, AnOutsideEditShowsAtOnceOrAsksWhenTheWindowHoldsATypedChange) {
  addByTyping("omw", "On my way!");
  writeOutside({record("gtg", "Got to go")});
  EXPECT_TRUE(QTest::qWaitFor([&] { return shown() == std::vector<std::string>{"gtg = Got to go"}; }, 5000));
  EXPECT_EQ(questions, 0);

  // A change typed but not yet kept: the user chooses.
  clickRow(0);
  QTest::keyClick(phrase, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(phrase, " now");
  writeOutside({record("gtg", "Got to go"), record("ty", "Thank you")});
  EXPECT_TRUE(QTest::qWaitFor([&] { return questions == 1; }, 5000));
  EXPECT_EQ(shown(), (std::vector<std::string>{"gtg = Got to go now"}));
  EXPECT_EQ(expanded(), (std::vector<Replacement>{{"gtg", "Got to go now"}}));

  answer = ReplacementsWindow::Resolution::reload;
  clickRow(0);
  QTest::keyClicks(phrase, "!");
  writeOutside({record("ty", "Thank you")});
  EXPECT_TRUE(QTest::qWaitFor([&] { return questions == 2; }, 5000));
  EXPECT_EQ(shown(), (std::vector<std::string>{"ty = Thank you"}));
  EXPECT_EQ(expanded(), (std::vector<Replacement>{{"ty", "Thank you"}}));
}

TEST_F(ReplacementsWindowTest, AFailedSaveKeepsTheFileAndTheChangeUntilItCanBeWritten) {
  addByTyping("omw", "On my way!");
  const auto before = testing::readBytes(file);
  h.files->failWrites = true;
  addByTyping("brb", "Be right back");
  EXPECT_EQ(testing::readBytes(file), before);
  EXPECT_EQ(shown().size(), 2u) << "the change stays in the window";
  EXPECT_TRUE(button("Try Again")->isVisible());

  h.files->failWrites = false;
  QTest::mouseClick(button("Try Again"), Qt::LeftButton);
  EXPECT_FALSE(button("Try Again")->isVisible());
  EXPECT_EQ(expanded().size(), 2u);
}

}  // namespace
}  // namespace marlinet::shell
