// Shared fixture of the picker tests: one QApplication, the process's current
// directory and the test hooks put back after every test.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "picker/edit_btn.h"
#include "picker/edit_btn_dialog_file.h"
#include "picker/error_box.h"

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
    TEditBtn::SetBeepHook([this] { ++beeps_; });
    SetErrorBoxHook([this](const QString& text) { errors_ << text; });
  }

  void TearDown() override {
    TEditBtn::SetBeepHook({});
    TEditBtnDialogFile::SetDialogHook({});
    SetErrorBoxHook({});
    QDir::setCurrent(savedCwd_);
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
};

}  // namespace qualtren::test
