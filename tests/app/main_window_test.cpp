// Tests of the main window: controls and their defaults, the show-and-hide
// options, loading the translation tables at start-up, the path box, the
// hidden save command, resizing and quitting.
#include "app/main_window.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <utility>

#include "tests/app/app_fixture.h"

namespace qualtren::test {
namespace {

using MainWindowTest = AppTest;

struct Expected {
  const char* name;
  QRect place;
  QString caption;
  bool visible;
};

QString CaptionOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) return memo->toPlainText();
  return QStringLiteral("?");
}

// A control that keeps its top and grows only: its caption, visibility,
// top, and a width no smaller than its place's.
void ExpectCaptionAndTop(QWidget* w, const Expected& e) {
  EXPECT_EQ(CaptionOf(w), e.caption) << e.name;
  EXPECT_EQ(w->isVisible(), e.visible) << e.name;
  EXPECT_EQ(w->y(), e.place.y()) << e.name;
  EXPECT_GE(w->width(), e.place.width()) << e.name;
}

TEST_F(MainWindowTest, ControlsStartWithTheirPlacesCaptionsDefaultsAndVisibility) {
  CopyExamples();
  TMain& main = MakeMain();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
  EXPECT_EQ(main.windowTitle(), QStringLiteral("Qualtren"));
  EXPECT_EQ(main.centralWidget()->size(), QSize(892, 644));
  EXPECT_EQ(main.font().pointSize(), 8);

  const Expected controls[] = {
      {"fTableName", {80, 8, 185, 21}, "", true},  {"fPrefix", {336, 32, 97, 21}, "", false},
      {"fSufix", {336, 56, 97, 21}, "", false},    {"fPath", {488, 32, 273, 21}, "", false},
      {"fExt", {488, 56, 73, 21}, "*.txt", false}, {"fBackup", {688, 56, 73, 21}, "bak", false},
      {"mSQL", {8, 104, 881, 257}, "", true},      {"mSQLPre", {8, 384, 881, 257}, "", true},
  };
  for (const Expected& e : controls) {
    QWidget* w = Find<QWidget>(e.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->geometry(), e.place) << e.name;
    EXPECT_EQ(CaptionOf(w), e.caption) << e.name;
    EXPECT_EQ(w->isVisible(), e.visible) << e.name;
  }
  // Buttons keep their top and height and grow to fit their captions with
  // some air on either side: the right column keeps its right edge and one
  // width for all (wide enough for "Stop" too), the hidden button its left
  // edge.
  const Expected buttons[] = {
      {"bTrans", {808, 8, 75, 25}, "Translate", true},
      {"bQuit", {808, 40, 75, 25}, "Quit", true},
      {"bFileTrans", {808, 72, 75, 25}, "File translate", false},
      {"Button1", {80, 72, 75, 25}, "Save to VTD", false},
  };
  for (const Expected& e : buttons) {
    auto* button = Find<QPushButton>(e.name);
    ASSERT_NE(button, nullptr);
    ExpectCaptionAndTop(button, e);
    EXPECT_EQ(button->height(), e.place.height()) << e.name;
    for (const QString& caption : {e.caption, QStringLiteral("Stop")})
      EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(caption) + 16) << e.name;
    if (e.place.x() > 400) {
      EXPECT_EQ(button->geometry().right(), e.place.right()) << e.name;
      EXPECT_EQ(button->width(), main.bTrans->width()) << e.name;
    } else {
      EXPECT_EQ(button->x(), e.place.x()) << e.name;
    }
  }

  // Labels and check boxes keep their place and grow only as far as the font
  // needs; right-aligned labels keep their right edge.
  const Expected captions[] = {
      {"Label1", {6, 13, 59, 13}, "Table name:", true},
      {"lPrefix", {300, 37, 29, 13}, "Prefix:", false},
      {"lSufix", {303, 61, 26, 13}, "Sufix:", false},
      {"lPath", {456, 37, 25, 13}, "Path:", false},
      {"lExt", {463, 61, 18, 13}, "Ext:", false},
      {"lBackup", {641, 61, 40, 13}, "Backup:", false},
      {"Label2", {8, 88, 35, 13}, "Original", true},
      {"Label3", {8, 368, 34, 13}, "Prevod", true},
      {"lAutoTableName", {80, 32, 185, 17}, "AutoTableName", true},
      {"lCopyClpBrd", {80, 48, 153, 17}, "Copy result to ClipBoard", true},
      {"lComment", {336, 8, 97, 17}, "Add comment", true},
      {"lFileList", {488, 8, 97, 17}, "File list", true},
  };
  for (const Expected& e : captions) {
    QWidget* w = Find<QWidget>(e.name);
    ASSERT_NE(w, nullptr);
    ExpectCaptionAndTop(w, e);
    auto* label = qobject_cast<QLabel*>(w);
    if (label != nullptr && (label->alignment() & Qt::AlignRight) && e.place.x() > 20) {
      EXPECT_EQ(w->geometry().right(), e.place.right()) << e.name;
    } else if (e.place.x() > 20) {
      EXPECT_EQ(w->x(), e.place.x()) << e.name;
    }
  }
  EXPECT_TRUE(Find<QCheckBox>("lAutoTableName")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("lCopyClpBrd")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("lComment")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("lFileList")->isChecked());

  // The text areas: both scroll bars, Tab leaves the area, wrapping on screen.
  for (const char* name : {"mSQL", "mSQLPre"}) {
    auto* memo = Find<QPlainTextEdit>(name);
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn) << name;
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn) << name;
    EXPECT_TRUE(memo->tabChangesFocus()) << name;
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth) << name;
  }

  // The path box opens the directory dialog from a "..." button.
  EXPECT_EQ(main.fPath->DialogType(), ebftOpenDir);
  EXPECT_EQ(main.fPath->Caption(), QStringLiteral("..."));

  // The components: literal, case-insensitive lookups on the translation
  // tables, loaded from the current directory.
  for (TVirtualTable* table : {&main.tbTable_Trans, &main.tbSP_Trans, &main.tbTableStr_Trans}) {
    EXPECT_EQ(table->FilterOptions(), foCaseInsensitive | foNoPartialCompare) << table->Name();
    EXPECT_GT(table->FieldDefs().Count(), 0u) << table->Name();
  }
  EXPECT_EQ(main.vtdSave.FilterOptions(), 0);
  EXPECT_EQ(main.vtdSave.FieldDefs().Count(), 0u);
  EXPECT_FALSE(main.vtdSave.Active());
  for (TClientDataSet* source : {&main.tbTable_DB, &main.tbTableStr_DB, &main.tbSP_DB}) {
    EXPECT_TRUE(source->Filtered()) << source->Name();
    EXPECT_EQ(source->FilterOptions(), foCaseInsensitive) << source->Name();
    EXPECT_FALSE(source->Active()) << source->Name();
  }
  EXPECT_EQ(main.tbFrom.DatabaseName, dir_);
}

TEST_F(MainWindowTest, FocusStartsInTheUpperAreaAndTabFollowsTheKeyboardOrder) {
  TMain& main = MakeMain();
  EXPECT_EQ(QApplication::focusWidget(), main.mSQL);

  auto walk = [&] {
    QStringList seen;
    main.mSQL->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 16; ++i) {
      seen << QApplication::focusWidget()->objectName();
      QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
      QApplication::sendEvent(QApplication::focusWidget(), &tab);
      QApplication::processEvents();
      if (QApplication::focusWidget() == main.mSQL) break;
    }
    return seen.join(u' ');
  };
  EXPECT_EQ(walk(), QStringLiteral("mSQL bTrans bQuit fTableName mSQLPre lAutoTableName "
                                   "lCopyClpBrd lComment lFileList"));
  main.lComment->setChecked(true);
  main.lFileList->setChecked(true);
  EXPECT_EQ(walk(), QStringLiteral("mSQL bTrans bQuit fTableName mSQLPre lAutoTableName "
                                   "lCopyClpBrd lComment fPrefix fSufix fPath lFileList "
                                   "bFileTrans fExt fBackup"));
}

TEST_F(MainWindowTest, OptionBoxesShowAndHideTheirControlsAndKeepTheirTexts) {
  CopyExamples();
  MakeMain();
  auto* comment = Find<QCheckBox>("lComment");
  auto* fileList = Find<QCheckBox>("lFileList");
  const char* commentControls[] = {"lPrefix", "fPrefix", "lSufix", "fSufix"};
  const char* fileControls[] = {"lPath",   "fPath",   "lExt",      "fExt",
                                "lBackup", "fBackup", "bFileTrans"};

  comment->click();
  for (const char* name : commentControls)
    EXPECT_TRUE(Find<QWidget>(name)->isVisible()) << name;
  for (const char* name : fileControls)
    EXPECT_FALSE(Find<QWidget>(name)->isVisible()) << name;
  Find<QLineEdit>("fPrefix")->setText(QStringLiteral("/* "));
  Find<QLineEdit>("fSufix")->setText(QStringLiteral(" */"));
  comment->click();
  for (const char* name : commentControls)
    EXPECT_FALSE(Find<QWidget>(name)->isVisible()) << name;
  EXPECT_EQ(Find<QLineEdit>("fPrefix")->text(), QStringLiteral("/* "));
  EXPECT_EQ(Find<QLineEdit>("fSufix")->text(), QStringLiteral(" */"));

  fileList->click();
  for (const char* name : fileControls)
    EXPECT_TRUE(Find<QWidget>(name)->isVisible()) << name;
  for (const char* name : commentControls)
    EXPECT_FALSE(Find<QWidget>(name)->isVisible()) << name;
  EXPECT_EQ(Find<QLineEdit>("fExt")->text(), QStringLiteral("*.txt"));
  EXPECT_EQ(Find<QLineEdit>("fBackup")->text(), QStringLiteral("bak"));
  Find<QLineEdit>("fPath")->setText(QStringLiteral("/tmp/x"));
  fileList->click();
  for (const char* name : fileControls)
    EXPECT_FALSE(Find<QWidget>(name)->isVisible()) << name;
  EXPECT_EQ(Find<QLineEdit>("fPath")->text(), QStringLiteral("/tmp/x"));
  // The single-text controls stay as they are; "Save to VTD" never shows.
  EXPECT_TRUE(Find<QWidget>("fTableName")->isVisible());
  EXPECT_TRUE(Find<QWidget>("bTrans")->isVisible());
  EXPECT_FALSE(Find<QWidget>("Button1")->isVisible());
  EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(MainWindowTest, MissingTableFilesGiveOneMessageAndTheWindowOpens) {
  {
    TMain& main = MakeMain();
    EXPECT_EQ(errors_, QStringList{QStringLiteral("Cannot open file Q47SifTable.vtd.")});
    EXPECT_TRUE(main.isVisible());
    for (TVirtualTable* table : {&main.tbTable_Trans, &main.tbSP_Trans, &main.tbTableStr_Trans}) {
      EXPECT_EQ(table->FieldDefs().Count(), 0u) << table->Name();
      EXPECT_FALSE(table->Active()) << table->Name();
    }
  }
  errors_.clear();
  CopyExamples("Q47SifSQL_SP.vtd");
  {
    TMain& main = MakeMain();
    EXPECT_EQ(errors_, QStringList{QStringLiteral("Cannot open file Q47SifSQL_SP.vtd.")});
    EXPECT_GT(main.tbTable_Trans.FieldDefs().Count(), 0u);
    EXPECT_EQ(main.tbSP_Trans.FieldDefs().Count(), 0u);
    // Its file is there, but the loading ended before it.
    EXPECT_TRUE(std::filesystem::exists(dir_ + "/Q47SifTableStr.vtd"));
    EXPECT_EQ(main.tbTableStr_Trans.FieldDefs().Count(), 0u);
  }
  // A file that holds no table: the reader's error, the later tables not loaded.
  errors_.clear();
  WriteFile(dir_ + "/Q47SifTable.vtd", "abc");
  CopyExamples("Q47SifTable.vtd");
  {
    TMain& main = MakeMain();
    EXPECT_EQ(errors_, QStringList{QStringLiteral("Stream read error.")});
    EXPECT_EQ(main.tbSP_Trans.FieldDefs().Count(), 0u);
  }
}

TEST_F(MainWindowTest, PathBoxShowsItsButtonOnlyWithFocusAndBeepsWhenReadOnly) {
  TMain& main = MakeMain();
  main.lFileList->setChecked(true);
  QApplication::processEvents();
  TEditBtnDialogFile* path = main.fPath;
  QToolButton* button = path->Button();
  EXPECT_FALSE(button->isVisible());
  path->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_TRUE(button->isVisible());
  EXPECT_EQ(button->geometry(), QRect(248, 0, 21, 17));
  main.fExt->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_FALSE(button->isVisible());

  // The button opens the directory dialog; read-only, it only beeps.
  path->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  button->click();
  EXPECT_EQ(dialogs_, 1);
  EXPECT_EQ(beeps_, 0);
  path->setReadOnly(true);
  button->click();
  EXPECT_EQ(dialogs_, 1);
  EXPECT_EQ(beeps_, 1);

  path->resize(273, 3);
  EXPECT_EQ(path->height(), 5);
}

TEST_F(MainWindowTest, HiddenSaveWritesThreeEmptyTables) {
  CopyExamples();
  TMain& main = MakeMain();
  EXPECT_FALSE(main.Button1->isVisible());
  main.Button1Click();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
  const std::string empty("\x03\0\0\0\0\0\0\0\0\0", 10);
  for (const char* name : {"Q47SifTable.vtd", "Q47SifSQL_SP.vtd", "Q47SifTableStr.vtd"}) {
    EXPECT_EQ(ReadFile(dir_ + "/" + name), empty) << name;
  }
  // The tables in memory are not read again.
  EXPECT_GT(main.tbTable_Trans.FieldDefs().Count(), 0u);

  // A file that cannot be written stops the command; the earlier file stays
  // written, the later ones are not.
  CopyExamples();
  std::filesystem::remove(dir_ + "/Q47SifSQL_SP.vtd");
  std::filesystem::create_directory(dir_ + "/Q47SifSQL_SP.vtd");
  main.Button1Click();
  EXPECT_EQ(errors_, QStringList{QStringLiteral("Cannot create file Q47SifSQL_SP.vtd.")});
  EXPECT_EQ(ReadFile(dir_ + "/Q47SifTable.vtd"), empty);
  EXPECT_EQ(ReadFile(dir_ + "/Q47SifTableStr.vtd"),
            ReadFile(ExamplesDir() + "/Q47SifTableStr.vtd"));
  EXPECT_TRUE(main.isVisible());
}

TEST_F(MainWindowTest, ResizingGrowsTheTextAreasOnly) {
  TMain& main = MakeMain();
  const QRect button = main.bTrans->geometry();
  EXPECT_EQ(button.right(), 882);
  main.resize(1000, 700);
  QApplication::processEvents();
  EXPECT_EQ(main.mSQL->geometry(), QRect(8, 104, 989, 257));
  EXPECT_EQ(main.mSQLPre->geometry(), QRect(8, 384, 989, 313));
  EXPECT_EQ(main.bTrans->geometry(), button);
  EXPECT_EQ(main.fTableName->geometry(), QRect(80, 8, 185, 21));
  main.resize(892, 644);
  QApplication::processEvents();
  EXPECT_EQ(main.mSQL->geometry(), QRect(8, 104, 881, 257));
  EXPECT_EQ(main.mSQLPre->geometry(), QRect(8, 384, 881, 257));
}

TEST_F(MainWindowTest, KeysPressTheFocusedButtonTranslateAndOpenThePathDialog) {
  CopyExamples();
  TMain& main = MakeMain();
  auto lower = [&] { return MemoText(*main.mSQLPre); };
  SetMemoText(*main.mSQL, "from Kupac");

  // Ctrl+Return translates from the upper area (typing no line break into
  // it) and from any other control; Ctrl with the keypad's Enter too.
  main.mSQL->setFocus();
  QTest::keyClick(main.mSQL, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(lower(), "from Customer\r\n");
  EXPECT_EQ(MemoText(*main.mSQL), "from Kupac");
  SetMemoText(*main.mSQL, "from Racun");
  main.fTableName->setFocus();
  QTest::keyClick(main.fTableName, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(lower(), "from Invoice\r\n");

  // Enter and Return press the focused button.
  for (auto [key, modifiers] :
       {std::pair{Qt::Key_Return, Qt::KeyboardModifiers()},
        std::pair{Qt::Key_Enter, Qt::KeyboardModifiers(Qt::KeypadModifier)}}) {
    main.mSQLPre->clear();
    main.bTrans->setFocus();
    QTest::keyClick(main.bTrans, key, modifiers);
    EXPECT_EQ(lower(), "from Invoice\r\n") << key;
  }

  // F4 or Alt+Down in the path box opens its dialog; Down alone does not.
  main.lFileList->setChecked(true);
  main.fPath->setFocus();
  QTest::keyClick(main.fPath, Qt::Key_F4);
  EXPECT_EQ(dialogs_, 1);
  QTest::keyClick(main.fPath, Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(dialogs_, 2);
  QTest::keyClick(main.fPath, Qt::Key_Down);
  EXPECT_EQ(dialogs_, 2);

  main.bQuit->setFocus();
  QTest::keyClick(main.bQuit, Qt::Key_Return);
  EXPECT_FALSE(main.isVisible());
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
}

TEST_F(MainWindowTest, QuitClosesTheWindow) {
  CopyExamples();
  TMain& main = MakeMain();
  ASSERT_TRUE(main.isVisible());
  Find<QPushButton>("bQuit")->click();
  EXPECT_FALSE(main.isVisible());
  EXPECT_TRUE(errors_.isEmpty());
}

}  // namespace
}  // namespace qualtren::test
