// Entry point of the test suites that need widgets: one QApplication lives
// for the whole run and is gone before the program's static objects are.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
