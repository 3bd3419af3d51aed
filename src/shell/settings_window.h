#pragma once

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/change_publisher.h"
#include "app/content/settings_content.h"
#include "app/window_contents.h"

class QGridLayout;
class QHBoxLayout;

namespace marlinet::shell {

// The settings window: draws the form the model's content builder decides
// and hands each control's command to the model. Once the model is gone it
// keeps showing the last state and its controls do nothing.
class SettingsWindow final : public QWidget {
 public:
  // `sessionNotes` are one-line facts about this desktop session, shown at
  // the end of the permissions; none when empty.
  SettingsWindow(std::shared_ptr<PreferencesWindowContent> content, std::vector<std::string> sessionNotes,
                 QWidget* parent = nullptr);
  SettingsWindow(const SettingsWindow&) = delete;
  SettingsWindow& operator=(const SettingsWindow&) = delete;
  ~SettingsWindow() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct CountRowWidgets {
    QLabel* title;
    QLabel* value;
    QPushButton* button;  // hidden when the row has none
  };
  struct PermissionWidgets {
    QLabel* title;
    QLabel* symbol;
    QLabel* state;
  };

  void build(const std::vector<std::string>& sessionNotes);
  QCheckBox* makeSwitch();
  QPushButton* makeButton();
  CountRowWidgets makeCountRow(QGridLayout* grid, int row);
  PermissionWidgets makePermissionLine(QGridLayout* grid, int row);

  void redraw();
  void draw();
  void drawSwitch(QCheckBox* box, const SettingsSwitch& spec);
  void drawButton(QPushButton* button, const SettingsButton& spec);
  void drawCountRow(const CountRowWidgets& row, const CountRow& spec);
  void drawPermission(const PermissionWidgets& line, const PermissionLine& spec);
  void perform(SettingsAction action, bool on);

  std::shared_ptr<PreferencesWindowContent> content_;
  // The last form drawn; kept once the model is gone.
  SettingsContent shown_;
  // What each control calls, as the last drawn form says.
  std::map<const QAbstractButton*, SettingsAction> actions_;

  QLabel* expandingTitle_ = nullptr;
  QCheckBox* expandSwitch_ = nullptr;
  QCheckBox* loginSwitch_ = nullptr;
  CountRowWidgets excludedRow_{};
  QLabel* expandingNote_ = nullptr;

  QLabel* replacementsTitle_ = nullptr;
  CountRowWidgets foundRow_{};
  CountRowWidgets systemRow_{};
  CountRowWidgets importedRow_{};
  QLabel* skippedNote_ = nullptr;
  QHBoxLayout* buttonRow_ = nullptr;
  std::vector<QPushButton*> leadingButtons_;
  QPushButton* trailingButton_ = nullptr;

  QLabel* permissionsTitle_ = nullptr;
  PermissionWidgets accessibilityLine_{};
  PermissionWidgets inputMonitoringLine_{};
  QPushButton* allowAccessButton_ = nullptr;
  QLabel* privacySymbol_ = nullptr;
  QLabel* privacyTitle_ = nullptr;
  QLabel* privacyBody_ = nullptr;

  QLabel* updatesTitle_ = nullptr;
  QCheckBox* updatesSwitch_ = nullptr;
  QLabel* versionTitle_ = nullptr;
  QLabel* versionText_ = nullptr;
  QPushButton* checkButton_ = nullptr;

  Subscription changes_;
};

// The content's symbols (named as on the Mac) for the windows: the desktop
// theme's symbolic icon recoloured in `tint` where the theme has one,
// otherwise drawn here in `tint`. Null for a name neither knows.
QPixmap symbolPixmap(const std::string& symbolName, const QColor& tint, int size, qreal devicePixelRatio);

// The colour of a tinted text or symbol on this palette.
QColor tintColor(Tint tint, const QPalette& palette);

// Sets the text of a word-wrapped label of fixed width and fixes its height
// to what the text needs: layouts otherwise size a fixed-size window from a
// guess at the wrapped height and cut the last line.
void setWrappedText(QLabel* label, const std::string& text);

// Button and check box text shows a lone "&" as itself, not as a mnemonic.
QString buttonText(const std::string& text);

}  // namespace marlinet::shell
