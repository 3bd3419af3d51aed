#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <cstdio>

int main(int argc, char** argv) {
  // Widgets and menus draw without a display or a tray.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // Without a real font every text draws as boxes and sizes mean nothing.
  if (QFontDatabase::families().isEmpty()) {
    std::fputs("no font is installed (fonts-dejavu-core): the drawn windows cannot be checked\n", stderr);
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
