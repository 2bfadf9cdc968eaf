// Tests of file-list translation on a temporary directory: which files are
// taken, backups, the stop at the first error, the files left untouched, the
// progress, stopping between two files and closing during a run.
#include <sys/stat.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QUrl>

#include "tests/app/app_fixture.h"

namespace qualtren::test {
namespace {

const char kSql[] = "select Ime\nfrom Kupac";
const char kTranslated[] = "select Name\r\nfrom Customer\r\n";

class FileTransTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    CopyExamples();
    MakeMain();
    files_ = MakeDir("files");
    main_->lFileList->setChecked(true);
    main_->fPath->setText(FileNameToQString(files_));
  }

  std::string In(const std::string& name) { return files_ + "/" + name; }
  void Put(const std::string& name, const std::string& bytes) { WriteFile(In(name), bytes); }
  std::string Get(const std::string& name) { return ReadFile(In(name)); }
  bool Exists(const std::string& name) { return std::filesystem::exists(In(name)); }
  void Run() { main_->bFileTransClick(); }
  std::string Upper() { return MemoText(*main_->mSQL); }
  std::string Lower() { return MemoText(*main_->mSQLPre); }
  // Puts the same SQL into each of the files.
  void PutSql(std::initializer_list<const char*> names) {
    for (const char* name : names)
      Put(name, kSql);
  }
  // The run reported one error: that `name` could not be made.
  void ExpectCannotCreate(const std::string& name) {
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], FileNameToQString("Cannot create file " + In(name) + "."));
  }

  std::string files_;
};

TEST_F(FileTransTest, MatchingFilesAreBackedUpAndTranslatedInPlace) {
  Put("a.txt", kSql);
  Put("c.sql", kSql);
  Put(".hidden.txt", "from Racun");
  Put("old.txt", "from Kupac");
  Put("old.txtbak", "stale backup");
  Put("plain.txt", "nothing to do\nhere");
  MakeDir("files/sub.txt");
  WriteFile(In("sub.txt") + "/inner.txt", kSql);
  SetMemoText(*main_->mSQL, "upper");
  main_->fTableName->setText(QStringLiteral("Kupac"));
  Run();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
  EXPECT_EQ(Get("a.txt"), kTranslated);
  EXPECT_EQ(Get("a.txtbak"), kSql);
  EXPECT_EQ(Get(".hidden.txt"), "from Invoice\r\n");
  EXPECT_EQ(Get(".hidden.txtbak"), "from Racun");
  EXPECT_EQ(Get("old.txtbak"), "from Kupac");  // overwritten
  // A file with nothing to translate is still written back with CR LF.
  EXPECT_EQ(Get("plain.txt"), "nothing to do\r\nhere\r\n");
  EXPECT_EQ(Get("plain.txtbak"), "nothing to do\nhere");
  // Other masks and directories are never touched.
  EXPECT_EQ(Get("c.sql"), kSql);
  EXPECT_FALSE(Exists("c.sqlbak"));
  EXPECT_EQ(ReadFile(In("sub.txt") + "/inner.txt"), kSql);
  EXPECT_FALSE(Exists("sub.txtbak"));
  // The options of step one stay changed; both areas are cleared.
  EXPECT_FALSE(main_->lAutoTableName->isChecked());
  EXPECT_FALSE(main_->lCopyClpBrd->isChecked());
  EXPECT_EQ(main_->fTableName->text(), QString());
  EXPECT_EQ(Upper(), "");
  EXPECT_EQ(Lower(), "");
  EXPECT_EQ(main_->bFileTrans->text(), QStringLiteral("File translate"));
}

TEST_F(FileTransTest, EmptyBackupTextMakesNoCopiesAndCommentsApply) {
  Put("a.txt", kSql);
  main_->fBackup->setText(QString());
  main_->lComment->setChecked(true);
  main_->fPrefix->setText(QStringLiteral("--"));
  Run();
  EXPECT_TRUE(errors_.isEmpty());
  EXPECT_EQ(Get("a.txt"), "--select Ime\r\nselect Name\r\n--from Kupac\r\nfrom Customer\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files_),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(FileTransTest, NothingMatchingStillClearsBothAreasWithoutMessage) {
  for (const std::string& path : {files_ + "/missing", std::string()}) {
    SetMemoText(*main_->mSQL, "upper");
    SetMemoText(*main_->mSQLPre, "lower");
    main_->fPath->setText(FileNameToQString(path));
    // No file of the root directory may match.
    main_->fExt->setText(QStringLiteral("qualtren-no-such-file-*.none"));
    main_->lAutoTableName->setChecked(true);
    Run();
    EXPECT_EQ(Upper(), "") << path;
    EXPECT_EQ(Lower(), "") << path;
    EXPECT_FALSE(main_->lAutoTableName->isChecked());
  }
  EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(FileTransTest, ListIsTakenBeforeTheFirstFileSoBackupsAreNotTranslated) {
  Put("a", "from Kupac");
  Put("b", "from Racun");
  main_->fExt->setText(QStringLiteral("*"));
  Run();
  EXPECT_TRUE(errors_.isEmpty());
  EXPECT_EQ(Get("a"), "from Customer\r\n");
  EXPECT_EQ(Get("abak"), "from Kupac");
  EXPECT_EQ(Get("bbak"), "from Racun");
  EXPECT_FALSE(Exists("abakbak"));
  EXPECT_FALSE(Exists("bbakbak"));
}

TEST_F(FileTransTest, ReadOnlyFileStopsTheRunAfterItsBackup) {
  PutSql({"a.txt", "b.txt", "c.txt"});
  ::chmod(In("b.txt").c_str(), 0444);
  Run();
  ASSERT_NO_FATAL_FAILURE(ExpectCannotCreate("b.txt"));
  EXPECT_EQ(Get("a.txt"), kTranslated);
  EXPECT_EQ(Get("b.txtbak"), kSql);
  EXPECT_EQ(Get("b.txt"), kSql);
  EXPECT_EQ(ModeOf(In("b.txt")), 0444u);
  EXPECT_EQ(Get("c.txt"), kSql);
  EXPECT_FALSE(Exists("c.txtbak"));
  // The areas keep the file at which the run stopped.
  EXPECT_EQ(Upper(), "select Ime\r\nfrom Kupac");
  EXPECT_EQ(Lower(), kTranslated);
  EXPECT_FALSE(main_->FileTransRunning());
  EXPECT_EQ(main_->bFileTrans->text(), QStringLiteral("File translate"));
}

TEST_F(FileTransTest, FailedBackupStopsBeforeTheFileIsTouched) {
  PutSql({"a.txt", "b.txt", "c.txt"});
  MakeDir("files/b.txtbak");  // the copy cannot take this name
  Run();
  ASSERT_NO_FATAL_FAILURE(ExpectCannotCreate("b.txtbak"));
  EXPECT_EQ(Get("a.txt"), kTranslated);
  EXPECT_EQ(Get("b.txt"), kSql);
  EXPECT_EQ(Get("c.txt"), kSql);
}

TEST_F(FileTransTest, AFailureWhenItsGroupIsCommittedStopsTheRunThere) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
    Put(name, kSql);
  MakeDir("files/b.txtbak");  // found when the group is committed
  Run();
  ASSERT_NO_FATAL_FAILURE(ExpectCannotCreate("b.txtbak"));
  EXPECT_EQ(main_->lProgress->text(),
            QStringLiteral("Stopped: 1 translated, 0 left untouched, 1 failed"));
  EXPECT_EQ(Get("a.txt"), kTranslated);
  // The files after it keep their bytes and get no backup; nothing stray is left.
  for (const char* name : {"b.txt", "c.txt", "d.txt"})
    EXPECT_EQ(Get(name), kSql) << name;
  EXPECT_FALSE(Exists("c.txtbak"));
  EXPECT_FALSE(Exists("d.txtbak"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files_),
                          std::filesystem::directory_iterator()),
            6);
}

TEST_F(FileTransTest, ARunOfSeveralGroupsTranslatesEveryFile) {
  constexpr int kFiles = 150;
  for (int i = 0; i < kFiles; ++i)
    Put("f" + std::to_string(i) + ".txt", kSql);
  Run();
  EXPECT_TRUE(errors_.isEmpty());
  EXPECT_EQ(main_->lProgress->text(),
            QStringLiteral("Done: %1 translated, 0 left untouched, 0 failed").arg(kFiles));
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    EXPECT_EQ(Get(name), kTranslated) << name;
    EXPECT_EQ(Get(name + "bak"), kSql) << name;
  }
}

TEST_F(FileTransTest, UntouchedFilesAreNamedInOneMessageAtTheEnd) {
  const std::string withNul("from Kupac\0tail", 15);
  Put("a.txt", withNul);
  Put("b.txt", kSql);
  Put("c.txt", std::string("\0", 1));
  ::chmod(In("b.txt").c_str(), 0640);
  Run();
  ASSERT_EQ(errors_.size(), 1) << errors_.join(u'|').toStdString();
  EXPECT_EQ(errors_[0],
            FileNameToQString("These files were left untouched:\n" + In("a.txt") +
                              " (holds a NUL byte)\n" + In("c.txt") + " (holds a NUL byte)"));
  EXPECT_EQ(Get("a.txt"), withNul);
  EXPECT_EQ(Get("c.txt"), std::string("\0", 1));
  // The file between them is replaced and keeps its permissions.
  EXPECT_EQ(Get("b.txt"), kTranslated);
  EXPECT_EQ(ModeOf(In("b.txt")), 0640u);
  EXPECT_EQ(Upper(), "");
}

TEST_F(FileTransTest, FileWhoseTranslationFailedIsLeftUntouched) {
  // A column table without the English name fails every column lookup.
  main_->tbTableStr_Trans.Close();
  main_->tbTableStr_Trans.ClearTable();
  main_->tbTableStr_Trans.FieldDefs().Add("TableName", ftString, 20);
  main_->tbTableStr_Trans.FieldDefs().Add("FieldName", ftString, 20);
  main_->tbTableStr_Trans.Open();
  main_->tbTableStr_Trans.Append();
  main_->tbTableStr_Trans.FieldByName("TableName").SetAsString("Kupac");
  main_->tbTableStr_Trans.FieldByName("FieldName").SetAsString("Ime");
  main_->tbTableStr_Trans.Post();
  Put("a.txt", "select Ime\n");
  Put("b.txt", "from Kupac\n");
  Run();
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].startsWith(FileNameToQString("These files were left untouched:\n" +
                                                      In("a.txt") + " (translation failed: ")))
      << errors_[0].toStdString();
  EXPECT_EQ(Get("a.txt"), "select Ime\n");
  EXPECT_EQ(Get("b.txt"), "from Customer\r\n");
}

TEST_F(FileTransTest, FileAboveTheCapacityStopsTheRun) {
  Put("a.txt", kSql);
  Put("b.txt", "");
  std::filesystem::resize_file(In("b.txt"), kMemoCapacity + 1);  // sparse
  Put("c.txt", kSql);
  Run();
  EXPECT_EQ(errors_, QStringList{QStringLiteral("Text exceeds memo capacity.")});
  EXPECT_EQ(Get("a.txt"), kTranslated);
  EXPECT_EQ(Get("c.txt"), kSql);
  std::filesystem::remove(In("b.txt"));
  std::filesystem::remove(In("b.txtbak"));
}

TEST_F(FileTransTest, ProgressStopAndBackupTextReadForEveryFile) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
    Put(name, kSql);
  bool pendingRan = false;
  QTimer::singleShot(0, main_.get(), [&] { pendingRan = true; });
  std::vector<std::string> progress;
  progress_ = [&](int n, int m, const std::string& name) {
    // Events that were pending ran before the first file.
    EXPECT_TRUE(pendingRan);
    EXPECT_TRUE(main_->FileTransRunning());
    EXPECT_EQ(main_->bFileTrans->text(), QStringLiteral("Stop"));
    const QString prefix = QStringLiteral("File %1 of %2: ").arg(n).arg(m);
    EXPECT_EQ(main_->lProgress->toolTip(), prefix + FileNameToQString(name));
    EXPECT_TRUE(main_->lProgress->text().startsWith(prefix));
    EXPECT_TRUE(main_->lProgress->text().endsWith(FileNameToQString(name).section(u'/', -1)));
    progress.push_back(std::to_string(n) + "/" + std::to_string(m) + " " + name);
    if (n == 2) main_->fBackup->setText(QStringLiteral(".orig"));
    // The button asks the run to stop before the third file.
    if (n == 3) main_->bFileTrans->click();
  };
  Run();
  EXPECT_TRUE(errors_.isEmpty());
  EXPECT_EQ(progress, (std::vector<std::string>{"1/4 " + In("a.txt"), "2/4 " + In("b.txt"),
                                                "3/4 " + In("c.txt")}));
  EXPECT_EQ(Get("a.txtbak"), kSql);
  EXPECT_EQ(Get("b.txt.orig"), kSql);
  EXPECT_FALSE(Exists("b.txtbak"));
  EXPECT_EQ(Get("b.txt"), kTranslated);
  EXPECT_EQ(Get("c.txt"), kSql);
  EXPECT_FALSE(Exists("c.txt.orig"));
  EXPECT_EQ(Get("d.txt"), kSql);
  EXPECT_FALSE(main_->FileTransRunning());
  EXPECT_EQ(main_->lProgress->text(),
            QStringLiteral("Stopped: 2 translated, 0 left untouched, 0 failed"));
  EXPECT_EQ(main_->bFileTrans->text(), QStringLiteral("File translate"));
  EXPECT_EQ(Upper(), "");

  // A new run starts from the beginning.
  progress.clear();
  progress_ = [&](int n, int m, const std::string& name) {
    progress.push_back(std::to_string(n) + "/" + std::to_string(m) + " " + name);
  };
  Run();
  EXPECT_EQ(progress.size(), 4u);
  EXPECT_EQ(Get("d.txt"), kTranslated);
  EXPECT_EQ(main_->lProgress->text(),
            QStringLiteral("Done: 4 translated, 0 left untouched, 0 failed"));
}

TEST_F(FileTransTest, ProgressKeepsTheFileNameInViewAndTheSummaryCountsEveryOutcome) {
  // A path far wider than the label.
  const std::string deep = MakeDir("files/" + std::string(60, 'd') + "/" + std::string(60, 'e'));
  main_->fPath->setText(FileNameToQString(deep));
  const std::string name = "the-file-whose-name-must-show.txt";
  WriteFile(deep + "/" + name, kSql);
  WriteFile(deep + "/x-nul.txt", std::string("a\0b", 3));
  WriteFile(deep + "/z.txt", kSql);
  ::chmod((deep + "/z.txt").c_str(), 0444);
  QString shown;
  progress_ = [&](int n, int, const std::string&) {
    if (n == 1) shown = main_->lProgress->text();
  };
  Run();
  const QFontMetrics metrics = main_->lProgress->fontMetrics();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("File 1 of 3: /"))) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(QStringLiteral("/") + QString::fromStdString(name)))
      << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026)));
  EXPECT_LE(metrics.horizontalAdvance(shown), main_->lProgress->contentsRect().width());
  // The read-only file stopped the run after the others.
  EXPECT_EQ(errors_.size(), 2);
  EXPECT_EQ(main_->lProgress->text(),
            QStringLiteral("Stopped: 1 translated, 1 left untouched, 1 failed"));
}

TEST_F(FileTransTest, ClosingDuringARunEndsTheWindowAfterTheLastFile) {
  Put("a.txt", kSql);
  Put("b.txt", kSql);
  progress_ = [&](int n, int, const std::string&) {
    if (n == 1) main_->bQuit->click();
    EXPECT_TRUE(main_->isVisible());
  };
  Run();
  EXPECT_EQ(Get("a.txt"), kTranslated);
  EXPECT_EQ(Get("b.txt"), kTranslated);
  EXPECT_FALSE(main_->isVisible());
  EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(FileTransTest, EscapeStopsTheRunBeforeTheNextFile) {
  Put("a.txt", kSql);
  Put("b.txt", kSql);
  auto* escape = main_->findChild<QShortcut*>(QStringLiteral("StopShortcut"));
  ASSERT_NE(escape, nullptr);
  EXPECT_EQ(escape->key(), QKeySequence(Qt::Key_Escape));
  progress_ = [&](int n, int, const std::string&) {
    if (n == 1) emit escape->activated();
  };
  Run();
  EXPECT_EQ(Get("a.txt"), kSql);
  EXPECT_EQ(Get("b.txt"), kSql);
  // Outside a run Escape does nothing.
  emit escape->activated();
  progress_ = {};
  Run();
  EXPECT_EQ(Get("a.txt"), kTranslated);
}

TEST_F(FileTransTest, TranslateDuringARunRunsBetweenTwoFiles) {
  Put("a.txt", kSql);
  Put("b.txt", "from Racun");
  std::string lowerSeen;
  progress_ = [&](int n, int, const std::string&) {
    if (n == 2) {
      SetMemoText(*main_->mSQL, "from Kupac");
      main_->bTrans->click();
      lowerSeen = Lower();
    }
  };
  Run();
  EXPECT_EQ(lowerSeen, "from Customer\r\n");
  EXPECT_EQ(Get("b.txt"), "from Invoice\r\n");
}

TEST_F(FileTransTest, EachFileIsReadAndWrittenInItsOwnEncoding) {
  SetActiveCodePage(1250);
  const std::string mark8 = "\xEF\xBB\xBF";
  // UTF-8 with and without a mark, UTF-16 LE with one, and code page 1250:
  // each keeps its encoding and mark, and its backup the original bytes.
  const std::string utf8 = "select Ime -- \xC4\x8D\xF0\x9F\x98\x80\nfrom Kupac";
  const std::string utf8Out = "select Name -- \xC4\x8D\xF0\x9F\x98\x80\r\nfrom Customer\r\n";
  const std::string utf16("\xFF\xFEs\0e\0l\0e\0c\0t\0 \0I\0m\0e\0 \0\x0D\x01", 26);  // select Ime č
  const std::string utf16Out("\xFF\xFEs\0e\0l\0e\0c\0t\0 \0N\0a\0m\0e\0 \0\x0D\x01\r\0\n\0", 32);
  Put("a.txt", utf8);
  Put("b.txt", mark8 + utf8);
  Put("c.txt", utf16);
  Put("d.txt", "select Ime -- \xE8");
  Put("e.txt", mark8 + "select Ime -- \xE8");  // no UTF-8 after its mark
  Run();
  SetActiveCodePage(1252);
  EXPECT_EQ(Get("a.txt"), utf8Out);
  EXPECT_EQ(Get("b.txt"), mark8 + utf8Out);
  EXPECT_EQ(Get("c.txt"), utf16Out);
  EXPECT_EQ(Get("d.txt"), "select Name -- \xE8\r\n");
  EXPECT_EQ(Get("c.txtbak"), utf16);
  EXPECT_EQ(Get("e.txt"), mark8 + "select Ime -- \xE8");
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].contains(QStringLiteral(
      "e.txt (not valid UTF-8: a malformed sequence at byte offset 17 (it starts with a UTF-8 "
      "byte-order mark))")))
      << errors_[0].toStdString();
  EXPECT_EQ(main_->lProgress->text(),
            QStringLiteral("Done: 4 translated, 1 left untouched, 0 failed"));
}

TEST_F(FileTransTest, ADroppedScriptReplacesTheUpperText) {
  Put("drop.sql", std::string("\xFE\xFF\0s\x01\x0D", 6));  // UTF-16 BE: "sč"
  Put("odd.sql", std::string("\xFE\xFF\0", 3));
  SetMemoText(*main_->mSQL, "upper");
  auto drop = [&](const std::string& name) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(FileNameToQString(In(name)))});
    // The area takes the drag of one script, then its drop.
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main_->mSQL->viewport(), &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main_->mSQL->viewport(), &event);
    return enter.isAccepted() && event.isAccepted();
  };
  EXPECT_TRUE(drop("drop.sql"));
  EXPECT_EQ(Upper(), "s\xC4\x8D");
  EXPECT_TRUE(errors_.isEmpty());
  // Broken under its mark: the text stays and the message says why.
  EXPECT_TRUE(drop("odd.sql"));
  EXPECT_EQ(Upper(), "s\xC4\x8D");
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].contains(QStringLiteral("odd.sql: not valid UTF-16 BE")));
}

}  // namespace
}  // namespace qualtren::test
