// Shared fixture of the picker tests: one QApplication, the process's current
// directory put back after every test, and a user interface that counts
// beeps and collects messages.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

#include "picker/error_box.h"
#include "picker/user_interface.h"

namespace qualtren::test {

inline QApplication& App() {
  return *qobject_cast<QApplication*>(QCoreApplication::instance());
}

class PickerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { App(); }

  void SetUp() override {
    savedCwd_ = QDir::currentPath();
    ASSERT_TRUE(tmp_.isValid());
    root_ = QFileInfo(tmp_.path()).canonicalFilePath();
  }

  void TearDown() override { QDir::setCurrent(savedCwd_); }

  // A user interface that counts beeps and collects error texts; dialogs
  // go to dialog_, or run modally when it is empty.
  TUserInterface Ui() {
    TUserInterface ui;
    ui.Beep = [this] { ++beeps_; };
    ui.ErrorBox = [this](const QString& text) { errors_ << text; };
    ui.RunDialog = [this](QDialog& dialog) { return dialog_ ? dialog_(dialog) : dialog.exec(); };
    return ui;
  }

  // Places `box` at the path box's size in `window` with an edit box below
  // it, which it gives back, and shows the window as the active one.
  static QLineEdit* ShowWithNeighbour(QWidget& window, QWidget* box) {
    box->setGeometry(10, 10, 273, 21);
    auto* other = new QLineEdit(&window);
    other->setGeometry(10, 50, 100, 21);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    return other;
  }

  // Makes a directory below the temporary root and gives its full path.
  QString MakeDir(const QString& relative) {
    EXPECT_TRUE(QDir(root_).mkpath(relative));
    return root_ + u'/' + relative;
  }

  QString savedCwd_;
  QTemporaryDir tmp_;
  QString root_;
  int beeps_ = 0;
  QStringList errors_;
  std::function<int(QDialog& dialog)> dialog_;
};

}  // namespace qualtren::test
