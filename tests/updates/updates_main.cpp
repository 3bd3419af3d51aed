#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // The result windows draw without a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
