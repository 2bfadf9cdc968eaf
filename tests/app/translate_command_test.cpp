// Tests of the Translate command: the inputs it reads, the lower area and the
// clipboard it writes, and the message after a failed translation.
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "tests/app/app_fixture.h"

namespace qualtren::test {
namespace {

class TranslateCommandTest : public AppTest {
 protected:
  void Translate() { Find<QPushButton>("bTrans")->click(); }
  std::string Upper() { return MemoText(*Find<QPlainTextEdit>("mSQL")); }
  std::string Lower() { return MemoText(*Find<QPlainTextEdit>("mSQLPre")); }
  void SetUpper(const std::string& text) { SetMemoText(*Find<QPlainTextEdit>("mSQL"), text); }
  static QString Clipboard() { return QGuiApplication::clipboard()->text(); }
};

TEST_F(TranslateCommandTest, SampleScriptGivesTheExpectedLowerTextAndClipboard) {
  CopyExamples();
  MakeMain();
  // The script with LF alone between its lines.
  const std::string original = ReadFile(ExamplesDir() + "/sample.sql");
  std::string sample = original;
  std::erase(sample, '\r');
  const std::string expected = ReadFile(ExamplesDir() + "/sample_expected.sql");
  ASSERT_NE(sample.find('\n'), std::string::npos);
  SetUpper(sample);
  Find<QLineEdit>("fTableName")->setText(QStringLiteral("Typed"));
  Translate();
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
  EXPECT_EQ(Lower(), expected);
  EXPECT_EQ(Clipboard(), AnsiToQString(expected));
  EXPECT_TRUE(Clipboard().contains(QStringLiteral("from Customer k\r\n")));
  // The command leaves the upper area and the typed table name alone.
  EXPECT_EQ(Upper(), original.find('\r') != std::string::npos ? original : sample);
  EXPECT_EQ(Find<QLineEdit>("fTableName")->text(), QStringLiteral("Typed"));
}

TEST_F(TranslateCommandTest, OptionsAreReadFromTheControls) {
  CopyExamples();
  TMain& main = MakeMain();
  SetUpper("select Ime from Kupac\nselect 1\n");
  main.lComment->setChecked(true);
  main.fPrefix->setText(QStringLiteral("-- "));
  main.fSufix->setText(QStringLiteral(" --"));
  Translate();
  EXPECT_EQ(Lower(), "-- select Ime from Kupac --\r\nselect Name from Customer\r\nselect 1\r\n");

  // Without comments the prefix and suffix are not used.
  main.lComment->setChecked(false);
  Translate();
  EXPECT_EQ(Lower(), "select Name from Customer\r\nselect 1\r\n");
  EXPECT_TRUE(main.fPrefix->isHidden());
  EXPECT_EQ(main.fPrefix->text(), QStringLiteral("-- "));
  EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(TranslateCommandTest, ClipboardFollowsTheCopyOption) {
  CopyExamples();
  TMain& main = MakeMain();
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  main.lCopyClpBrd->setChecked(false);
  SetUpper("from Kupac");
  Translate();
  EXPECT_EQ(Lower(), "from Customer\r\n");
  EXPECT_EQ(Clipboard(), QStringLiteral("before"));

  // An empty upper area empties the clipboard.
  main.lCopyClpBrd->setChecked(true);
  SetUpper("");
  Translate();
  EXPECT_EQ(Lower(), "");
  EXPECT_EQ(Clipboard(), QString());

  // A later edit of the lower area does not reach the clipboard.
  SetUpper("from Kupac\rfrom Racun");
  Translate();
  EXPECT_EQ(Clipboard(), QStringLiteral("from Customer\r\nfrom Invoice\r\n"));
  main.mSQLPre->appendPlainText(QStringLiteral("edited"));
  EXPECT_EQ(Clipboard(), QStringLiteral("from Customer\r\nfrom Invoice\r\n"));
  EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(TranslateCommandTest, FailedTranslationShowsTheInputAndSaysWhy) {
  // Without table files every lookup fails on a table without fields.
  TMain& main = MakeMain();
  errors_.clear();
  SetUpper("select Ime\nfrom Kupac");
  Translate();
  EXPECT_EQ(Lower(), "select Ime\r\nfrom Kupac\r\n");
  EXPECT_EQ(Clipboard(), QStringLiteral("select Ime\r\nfrom Kupac\r\n"));
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_TRUE(errors_[0].startsWith(QStringLiteral("Translation failed: ")))
      << errors_[0].toStdString();
  EXPECT_GT(errors_[0].size(), QStringLiteral("Translation failed: ").size() + 2);
  // The window stays usable.
  EXPECT_TRUE(main.bTrans->isEnabled());
}

TEST_F(TranslateCommandTest, FailureOnATableThatDidNotLoadNamesItsFile) {
  CopyExamples("Q47SifTableStr.vtd");
  TMain& main = MakeMain();
  ASSERT_EQ(errors_, QStringList{QStringLiteral("Cannot open file Q47SifTableStr.vtd.")});
  errors_.clear();
  // Table names are found; the first column lookup fails.
  SetUpper("from Kupac\nselect Ime");
  Translate();
  EXPECT_EQ(errors_, QStringList{QStringLiteral("Translation failed: Field FieldName not found; "
                                                "Q47SifTableStr.vtd was not loaded.")});

  // A table that loaded but lacks a field fails without that note.
  errors_.clear();
  CopyExamples();
  main.LoadTransTable(main.tbTableStr_Trans, "Q47SifTableStr.vtd");
  main.tbTableStr_Trans.Close();
  main.tbTableStr_Trans.ClearTable();
  main.tbTableStr_Trans.FieldDefs().Add("FieldName", ftString, 20);
  main.tbTableStr_Trans.Open();
  main.tbTableStr_Trans.Append();
  main.tbTableStr_Trans.FieldByName("FieldName").SetAsString("Ime");
  main.tbTableStr_Trans.Post();
  Translate();
  ASSERT_EQ(errors_.size(), 1);
  EXPECT_FALSE(errors_[0].contains(QStringLiteral("was not loaded"))) << errors_[0].toStdString();
}

TEST_F(TranslateCommandTest, EveryCharacterIsKeptAndNamesWithDiacriticsAreFound) {
  CopyExamples();
  TMain& main = MakeMain();
  const QString text =
      QStringLiteral("select Ime\nfrom Kupac where Ime = 'Ra\u010Dun \u20AC \u0107 \U0001F600'");
  main.mSQL->setPlainText(text);
  Translate();
  // Code page 1252 holds neither the c with caron nor the emoji: the text
  // keeps them all the same, and nothing needs saying.
  EXPECT_EQ(Lower(),
            "select Name\r\nfrom Customer where Name = "
            "'Ra\xC4\x8Dun \xE2\x82\xAC \xC4\x87 \xF0\x9F\x98\x80'\r\n");
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
  EXPECT_EQ(Clipboard(), QStringLiteral("select Name\r\nfrom Customer where Name = ") +
                             text.mid(text.indexOf(u'\'')) + QStringLiteral("\r\n"));

  // A name with a diacritic, held by the table in code page 1250, is found
  // in the Unicode text; a word the code page cannot hold is in no table.
  SetActiveCodePage(1250);
  main.tbTableStr_Trans.Append();
  main.tbTableStr_Trans.FieldByName("TableName").SetAsString("Racun");
  main.tbTableStr_Trans.FieldByName("FieldName").SetAsString("Koli\xE8ina");
  main.tbTableStr_Trans.FieldByName("FieldNameAng").SetAsString("Quantit\xE9");
  main.tbTableStr_Trans.Post();
  main.mSQL->setPlainText(
      QStringLiteral("select KOLI\u010CINA, Koli\u010Dina\u20AC, \u0416 from Racun"));
  Translate();
  SetActiveCodePage(1252);
  EXPECT_EQ(Lower(),
            "select Quantit\xC3\xA9, Koli\xC4\x8Dina\xE2\x82\xAC, \xD0\x96 from Invoice\r\n");
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
}

}  // namespace
}  // namespace qualtren::test
