// Tests of TEditBtnDialogFile: which dialog its button opens and what the box takes from it.
#include "picker/edit_btn_dialog_file.h"

#include <QFile>
#include <QFileDialog>
#include <QToolButton>
#include <QWidget>

#include "picker/dir_list.h"
#include "picker/open_dir.h"
#include "tests/picker/picker_fixture.h"

namespace qualtren::test {
namespace {

class EditBtnDialogFileTest : public PickerTest {
 protected:
  void SetUp() override {
    PickerTest::SetUp();
    box_ = new TEditBtnDialogFile(&window_);
    box_->SetUserInterface(Ui());
    other_ = ShowWithNeighbour(window_, box_);
    box_->setFocus();
    QApplication::processEvents();
  }

  // Presses the button; `answer` answers the dialog.
  void Press(std::function<int(QDialog&)> answer) {
    dialogs_ = 0;
    dialog_ = [this, answer](QDialog& dialog) {
      ++dialogs_;
      return answer(dialog);
    };
    box_->Button()->click();
  }

  QWidget window_;
  TEditBtnDialogFile* box_ = nullptr;
  QLineEdit* other_ = nullptr;
  int dialogs_ = 0;
};

TEST_F(EditBtnDialogFileTest, StartsAsAnOpenFileBox) {
  EXPECT_EQ(box_->DialogType(), ebftOpenFile);
  EXPECT_TRUE(box_->DefaultExt().isEmpty());
  EXPECT_TRUE(box_->EditorEnabled());
  ASSERT_TRUE(box_->OnBtnClick());
}

TEST_F(EditBtnDialogFileTest, ReadOnlyButtonOnlyBeeps) {
  box_->SetDialogType(ebftOpenDir);
  box_->setReadOnly(true);
  Press([](QDialog&) { return int(QDialog::Accepted); });
  EXPECT_EQ(dialogs_, 0);
  EXPECT_EQ(beeps_, 1);
  EXPECT_TRUE(box_->text().isEmpty());
}

TEST_F(EditBtnDialogFileTest, OpenDirStartsOnTheCurrentDirectoryWithoutAMessage) {
  const QString work = MakeDir(QStringLiteral("work"));
  const QString sub = MakeDir(QStringLiteral("work/sub"));
  ASSERT_TRUE(QDir::setCurrent(work));
  box_->SetDialogType(ebftOpenDir);

  // Empty box: the dialog shows the current directory; Cancel keeps the text.
  QString shown;
  Press([&](QDialog& dialog) {
    shown = dynamic_cast<TOpenDir&>(dialog).Directory();
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(dialogs_, 1);
  EXPECT_EQ(shown, work);
  EXPECT_TRUE(box_->text().isEmpty());

  // A path that does not exist: the same, and still no message.
  const QString missing = root_ + QStringLiteral("/no/such/dir");
  box_->setText(missing);
  Press([&](QDialog& dialog) {
    shown = dynamic_cast<TOpenDir&>(dialog).Directory();
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(shown, work);
  EXPECT_EQ(box_->text(), missing);
  EXPECT_TRUE(errors_.isEmpty());
  EXPECT_TRUE(box_->hasFocus());

  // An existing path: the dialog shows it; opening a subdirectory and OK
  // puts that into the box.
  box_->setText(root_);
  Press([&](QDialog& dialog) {
    auto& openDir = dynamic_cast<TOpenDir&>(dialog);
    shown = openDir.Directory();
    openDir.SetDirectory(QStringLiteral("work/sub"));
    return int(QDialog::Accepted);
  });
  EXPECT_EQ(shown, root_);
  EXPECT_EQ(box_->text(), sub);
  EXPECT_EQ(QDir::currentPath(), sub);
  EXPECT_TRUE(box_->hasFocus());
}

TEST_F(EditBtnDialogFileTest, OpenDirShowsItsErrorsThroughTheBoxsUserInterface) {
  const QString gone = MakeDir(QStringLiteral("gone"));
  ASSERT_TRUE(QDir::setCurrent(root_));
  box_->SetDialogType(ebftOpenDir);
  Press([&](QDialog& dialog) {
    TDirectoryListBox* list = dynamic_cast<TOpenDir&>(dialog).DirectoryListBox();
    EXPECT_TRUE(QDir().rmdir(gone));
    for (int row = 0; row < list->count(); ++row) {
      if (list->item(row)->text() == QStringLiteral("gone")) list->OpenEntry(row);
    }
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(errors_, QStringList{QStringLiteral("I/O error 2.")});
}

TEST_F(EditBtnDialogFileTest, OpenFileTakesTheChosenFullNameOnlyAfterOk) {
  const QString dir = MakeDir(QStringLiteral("files"));
  const QString file = dir + QStringLiteral("/data.sql");
  {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  }
  box_->SetDefaultExt(QStringLiteral("sql"));
  box_->setText(QStringLiteral("start.sql"));

  Press([&](QDialog& dialog) {
    auto& fileDialog = dynamic_cast<QFileDialog&>(dialog);
    EXPECT_EQ(fileDialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(fileDialog.defaultSuffix(), QStringLiteral("sql"));
    fileDialog.selectFile(file);
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(dialogs_, 1);
  EXPECT_EQ(box_->text(), QStringLiteral("start.sql"));

  Press([&](QDialog& dialog) {
    dynamic_cast<QFileDialog&>(dialog).selectFile(file);
    return int(QDialog::Accepted);
  });
  EXPECT_EQ(box_->text(), file);
  EXPECT_TRUE(box_->hasFocus());
}

TEST_F(EditBtnDialogFileTest, SaveFileAddsTheDefaultExtension) {
  const QString dir = MakeDir(QStringLiteral("out"));
  box_->SetDialogType(ebftSaveFile);
  box_->SetDefaultExt(QStringLiteral("txt"));
  box_->setText(dir + QStringLiteral("/result"));

  Press([&](QDialog& dialog) {
    EXPECT_EQ(dynamic_cast<QFileDialog&>(dialog).acceptMode(), QFileDialog::AcceptSave);
    return int(QDialog::Accepted);
  });
  EXPECT_EQ(box_->text(), dir + QStringLiteral("/result.txt"));
}

TEST_F(EditBtnDialogFileTest, ChangedTextRunsTheChangeEventOnce) {
  const QString dir = MakeDir(QStringLiteral("d"));
  box_->SetDialogType(ebftOpenDir);
  box_->setText(dir);
  int changes = 0;
  QObject::connect(box_, &QLineEdit::textChanged, [&] { ++changes; });

  // OK on the same directory: no change.
  Press([](QDialog&) { return int(QDialog::Accepted); });
  EXPECT_EQ(changes, 0);

  Press([&](QDialog& dialog) {
    dynamic_cast<TOpenDir&>(dialog).SetDirectory(root_);
    return int(QDialog::Accepted);
  });
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(box_->text(), root_);
}

}  // namespace
}  // namespace qualtren::test
