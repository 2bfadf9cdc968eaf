// Tests of TOpenDir and its directory list and drive box.
#include "picker/open_dir.h"

#include <QFile>
#include <QKeyEvent>
#include <QPushButton>

#include "picker/dir_list.h"
#include "tests/picker/picker_fixture.h"

namespace qualtren::test {
namespace {

class OpenDirTest : public PickerTest {
 protected:
  QStringList Texts(const TDirectoryListBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
      texts << list.item(i)->text();
    return texts;
  }

  int RowOf(const TDirectoryListBox& list, const QString& text) {
    for (int i = 0; i < list.count(); ++i) {
      if (list.item(i)->text() == text) return i;
    }
    return -1;
  }

  void SendKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }
};

TEST_F(OpenDirTest, WindowAndControlsStandWhereTheyBelong) {
  TOpenDir dialog(nullptr, Ui());
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Open directory"));
  EXPECT_EQ(dialog.size(), QSize(287, 430));

  auto geometry = [&](const char* name) {
    auto* widget = dialog.findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget ? widget->geometry() : QRect();
  };
  EXPECT_EQ(geometry("Panel1"), QRect(0, 0, 287, 430));
  EXPECT_EQ(geometry("DirectoryListBox"), QRect(4, 4, 279, 341));
  EXPECT_EQ(geometry("Panel2"), QRect(4, 345, 279, 41));
  EXPECT_EQ(geometry("DriveComboBox"), QRect(8, 12, 263, 19));
  EXPECT_EQ(geometry("Panel3"), QRect(4, 386, 279, 40));
  EXPECT_EQ(geometry("bOK"), QRect(8, 8, 75, 25));
  EXPECT_EQ(geometry("bKonec"), QRect(193, 8, 75, 25));

  EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("&OK"));
  EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("&Cancel"));
  for (QPushButton* button : {dialog.OkButton(), dialog.CancelButton()}) {
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
  EXPECT_EQ(dialog.font().pointSize(), 8);

  // The list takes up every change of size; Cancel keeps to the right.
  dialog.show();
  dialog.resize(400, 500);
  EXPECT_EQ(geometry("DirectoryListBox"), QRect(4, 4, 392, 411));
  EXPECT_EQ(geometry("DriveComboBox"), QRect(8, 12, 376, 19));
  EXPECT_EQ(geometry("Panel3"), QRect(4, 456, 392, 40));
  EXPECT_EQ(geometry("bKonec"), QRect(306, 8, 75, 25));
}

TEST_F(OpenDirTest, ListShowsThePathTheCurrentDirectoryAndItsSortedSubdirectories) {
  const QString top = MakeDir(QStringLiteral("top"));
  MakeDir(QStringLiteral("top/beta"));
  MakeDir(QStringLiteral("top/Alpha"));
  MakeDir(QStringLiteral("top/gamma/deep"));
  MakeDir(QStringLiteral("top/.hidden"));
  QFile file(top + QStringLiteral("/file.txt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ASSERT_TRUE(QDir::setCurrent(top));

  TDirectoryListBox list;
  list.SetUserInterface(Ui());
  EXPECT_EQ(list.Directory(), top);
  QStringList expected{QStringLiteral("/")};
  expected << top.split(u'/', Qt::SkipEmptyParts);
  const int currentRow = static_cast<int>(expected.size()) - 1;
  expected << QStringLiteral("Alpha") << QStringLiteral("beta") << QStringLiteral("gamma");
  EXPECT_EQ(Texts(list), expected);
  EXPECT_EQ(list.currentRow(), currentRow);
  EXPECT_EQ(list.item(currentRow)->data(TDirectoryListBox::PathRole).toString(), top);
  EXPECT_EQ(list.item(0)->data(TDirectoryListBox::PathRole).toString(), QStringLiteral("/"));

  // At the root only the root and its subdirectories are shown.
  list.SetDirectory(QStringLiteral("/"));
  EXPECT_EQ(list.Directory(), QStringLiteral("/"));
  EXPECT_EQ(list.item(0)->text(), QStringLiteral("/"));
  EXPECT_EQ(list.currentRow(), 0);
  EXPECT_GE(RowOf(list, QStringLiteral("tmp")), 1);
}

TEST_F(OpenDirTest, OpeningMovesListAndProcessButSelectingDoesNot) {
  const QString top = MakeDir(QStringLiteral("top"));
  const QString sub = MakeDir(QStringLiteral("top/sub"));
  MakeDir(QStringLiteral("top/sub/inner"));
  ASSERT_TRUE(QDir::setCurrent(top));
  TOpenDir dialog(nullptr, Ui());
  TDirectoryListBox* list = dialog.DirectoryListBox();
  int moved = 0;
  QObject::connect(list, &TDirectoryListBox::DirectoryChanged, [&] { ++moved; });

  list->setCurrentRow(RowOf(*list, QStringLiteral("sub")));
  EXPECT_EQ(list->Directory(), top);
  EXPECT_EQ(QDir::currentPath(), top);

  emit list->itemDoubleClicked(list->currentItem());
  EXPECT_EQ(list->Directory(), sub);
  EXPECT_EQ(QDir::currentPath(), sub);
  EXPECT_EQ(list->item(list->currentRow())->text(), QStringLiteral("sub"));
  EXPECT_EQ(moved, 1);

  // Enter opens the selected entry too.
  list->setCurrentRow(RowOf(*list, QStringLiteral("inner")));
  SendKey(list, Qt::Key_Return);
  EXPECT_EQ(list->Directory(), sub + QStringLiteral("/inner"));

  // Relative names go from the current directory; naming the directory the
  // list stands on changes nothing.
  list->SetDirectory(QStringLiteral(".."));
  EXPECT_EQ(list->Directory(), sub);
  const int before = moved;
  list->SetDirectory(sub);
  list->SetDirectory(QString());
  EXPECT_EQ(moved, before);
  EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(OpenDirTest, ResultIsTheLastOpenedDirectory) {
  const QString top = MakeDir(QStringLiteral("top"));
  const QString sub = MakeDir(QStringLiteral("top/sub"));
  ASSERT_TRUE(QDir::setCurrent(root_));

  // The directory that OK gives after `act` on the list standing on top.
  auto okAfter = [&](const std::function<void(TDirectoryListBox&, int subRow)>& act) {
    TOpenDir dialog(nullptr, Ui());
    dialog.SetDirectory(top);
    dialog.show();
    TDirectoryListBox* list = dialog.DirectoryListBox();
    act(*list, RowOf(*list, QStringLiteral("sub")));
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    return dialog.Directory();
  };
  EXPECT_EQ(okAfter([](TDirectoryListBox& list, int row) { list.OpenEntry(row); }), sub);
  EXPECT_EQ(okAfter([](TDirectoryListBox& list, int row) { list.setCurrentRow(row); }), top);
}

TEST_F(OpenDirTest, OnlyTheButtonsAndTheCloseControlEndTheDialog) {
  TOpenDir dialog(nullptr, Ui());
  dialog.show();
  QApplication::processEvents();
  dialog.setResult(-1);

  SendKey(dialog.DirectoryListBox(), Qt::Key_Escape);
  SendKey(&dialog, Qt::Key_Escape);
  SendKey(&dialog, Qt::Key_Return);
  SendKey(dialog.OkButton(), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), -1);

  dialog.close();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);

  dialog.show();
  dialog.setResult(-1);
  dialog.CancelButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(OpenDirTest, UnreachableDirectoryRaisesOrShowsTheErrorAndTheListStays) {
  const QString top = MakeDir(QStringLiteral("top"));
  const QString gone = MakeDir(QStringLiteral("top/gone"));
  ASSERT_TRUE(QDir::setCurrent(top));
  TOpenDir dialog(nullptr, Ui());

  try {
    dialog.SetDirectory(root_ + QStringLiteral("/missing"));
    ADD_FAILURE() << "no error for a missing directory";
  } catch (const EInOutError& error) {
    EXPECT_EQ(error.Message(), "I/O error 2");
  }
  EXPECT_EQ(dialog.Directory(), top);

  TDirectoryListBox* list = dialog.DirectoryListBox();
  const int row = RowOf(*list, QStringLiteral("gone"));
  ASSERT_GE(row, 0);
  ASSERT_TRUE(QDir().rmdir(gone));
  list->OpenEntry(row);
  EXPECT_EQ(errors_, QStringList{QStringLiteral("I/O error 2.")});
  EXPECT_EQ(dialog.Directory(), top);
  EXPECT_EQ(QDir::currentPath(), top);
  EXPECT_EQ(RowOf(*list, QStringLiteral("gone")), -1);
}

TEST_F(OpenDirTest, DriveBoxFollowsTheListAndMovesItToARoot) {
  const QString top = MakeDir(QStringLiteral("top"));
  ASSERT_TRUE(QDir::setCurrent(top));
  TOpenDir dialog(nullptr, Ui());
  TDriveComboBox* drives = dialog.DriveComboBox();
  EXPECT_EQ(drives->DirList(), dialog.DirectoryListBox());
  ASSERT_GT(drives->count(), 0);
  const QString drive = drives->Drive(drives->currentIndex());
  EXPECT_TRUE(drive == QStringLiteral("/") || top.startsWith(drive + u'/')) << drive.toStdString();

  const int rootIndex = drives->findData(QStringLiteral("/"));
  ASSERT_GE(rootIndex, 0);
  emit drives->activated(rootIndex);
  EXPECT_EQ(dialog.Directory(), QStringLiteral("/"));
  EXPECT_EQ(QDir::currentPath(), QStringLiteral("/"));
  EXPECT_EQ(drives->currentIndex(), rootIndex);

  // Moving the list elsewhere moves the box with it.
  dialog.SetDirectory(top);
  EXPECT_EQ(drives->Drive(drives->currentIndex()), drive);
}

TEST_F(OpenDirTest, ErrorBoxTextAndTitle) {
  EXPECT_EQ(ErrorBoxText(QStringLiteral("I/O error 2")), QStringLiteral("I/O error 2."));
  EXPECT_EQ(ErrorBoxText(QStringLiteral("Done.")), QStringLiteral("Done."));
  EXPECT_EQ(ErrorBoxText(QStringLiteral("x-")), QStringLiteral("x-"));
  EXPECT_EQ(ErrorBoxText(QStringLiteral("x/")), QStringLiteral("x/."));
  EXPECT_EQ(ErrorBoxText(QString()), QString());
  EXPECT_EQ(ApplicationTitle(), QStringLiteral("picker_tests"));
}

}  // namespace
}  // namespace qualtren::test
