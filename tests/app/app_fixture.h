// Shared fixture of the window tests: a temporary current directory, message
// boxes, beeps, dialogs and progress captured by the window's user interface,
// and the helpers that copy the sample tables and read and write files.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/text_area.h"
#include "base/codepage.h"
#include "picker/edit_btn_dialog_file.h"

namespace qualtren::test {

inline std::string ExamplesDir() {
  if (const char* source = std::getenv("QUALTREN_SOURCE")) return std::string(source) + "/examples";
  return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples")
      .string();
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out) << path;
  out << bytes;
}

inline unsigned ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

class AppTest : public ::testing::Test {
 protected:
  // The application object is made by the suite's main().
  static void SetUpTestSuite() { SetActiveCodePage(1252); }

  void SetUp() override {
    savedCwd_ = std::filesystem::current_path();
    ASSERT_TRUE(tmp_.isValid());
    dir_ = FileNameBytes(QFileInfo(tmp_.path()).canonicalFilePath());
    std::filesystem::current_path(dir_);
  }

  void TearDown() override {
    main_.reset();
    std::filesystem::current_path(savedCwd_);
  }

  // The window's user interface: messages, beeps and dialogs are counted
  // (dialogs are cancelled), the progress goes to progress_.
  TMainUi Ui() {
    TMainUi ui;
    ui.ErrorBox = [this](const QString& text) { errors_ << text; };
    ui.Beep = [this] { ++beeps_; };
    ui.RunDialog = [this](QDialog&) {
      ++dialogs_;
      return static_cast<int>(QDialog::Rejected);
    };
    ui.FileProgress = [this](int number, int count, const std::string& fileName) {
      if (progress_) progress_(number, count, fileName);
    };
    return ui;
  }

  // Copies the sample table files into the current directory, leaving out
  // the one named by `except`.
  void CopyExamples(const std::string& except = {}) {
    for (const char* name : {"Q47SifTable.vtd", "Q47SifSQL_SP.vtd", "Q47SifTableStr.vtd"}) {
      if (name == except) continue;
      std::filesystem::copy_file(ExamplesDir() + "/" + name, dir_ + "/" + name,
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }

  // Creates the window in the current directory and shows it.
  TMain& MakeMain() {
    main_ = std::make_unique<TMain>(Ui());
    main_->show();
    main_->activateWindow();
    QApplication::setActiveWindow(main_.get());
    QApplication::processEvents();
    return *main_;
  }

  template <class T>
  T* Find(const char* name) {
    T* widget = main_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // A subdirectory of the temporary directory, made anew.
  std::string MakeDir(const std::string& name) {
    const std::string path = dir_ + "/" + name;
    std::filesystem::create_directories(path);
    return path;
  }

  std::filesystem::path savedCwd_;
  QTemporaryDir tmp_;
  std::string dir_;
  std::unique_ptr<TMain> main_;
  QStringList errors_;
  std::function<void(int number, int count, const std::string& fileName)> progress_;
  int beeps_ = 0;
  int dialogs_ = 0;
};

}  // namespace qualtren::test
