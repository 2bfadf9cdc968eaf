// Tests of the highlighting of a translation: which stretches of the lower
// area are marked, that only the lines in view carry the marks, and when the
// marks go.
#include "app/highlight.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <utility>
#include <vector>

#include "tests/app/app_fixture.h"
#include "trans/lines.h"
#include "trans/translate.h"

namespace qualtren::test {
namespace {

// The words of a line, cut at the separators.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words(1);
  for (char c : line) {
    if (IsSeparator(c)) {
      if (!words.back().empty()) words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

class HighlightTest : public AppTest {
 protected:
  void Translate() { main_->bTrans->click(); }

  // The marked stretches of the lower area's text, with whether each is a
  // comment line; line breaks read as U+2029.
  std::vector<std::pair<QString, bool>> Marked() {
    const QString text = main_->mSQLPre->document()->toRawText();
    std::vector<std::pair<QString, bool>> marked;
    for (const THighlightSpan& span : main_->mSQLPreHighlight->Spans())
      marked.emplace_back(text.mid(span.Start, span.Length), span.Comment);
    return marked;
  }
};

TEST_F(HighlightTest, SampleMarksExactlyTheNamesThatChangedAndTheCommentLines) {
  CopyExamples();
  MakeMain();
  const std::string sample = ReadFile(ExamplesDir() + "/sample.sql");
  const std::string expected = ReadFile(ExamplesDir() + "/sample_expected.sql");
  // What a reviewer would find by comparing the lines word by word.
  const std::vector<std::string> in = SplitLines(sample), out = SplitLines(expected);
  ASSERT_EQ(in.size(), out.size());
  std::vector<std::pair<QString, bool>> names, withComments;
  for (size_t i = 0; i < in.size(); ++i) {
    const std::vector<std::string> before = Words(in[i]), after = Words(out[i]);
    ASSERT_EQ(before.size(), after.size()) << in[i];
    if (!EqualsNoCase(in[i], out[i]))
      withComments.emplace_back(AnsiToQString("-- " + in[i] + " --"), true);
    for (size_t j = 0; j < before.size(); ++j) {
      if (before[j] == after[j]) continue;
      names.emplace_back(AnsiToQString(after[j]), false);
      withComments.emplace_back(AnsiToQString(after[j]), false);
    }
  }
  ASSERT_GT(names.size(), 20u);

  SetMemoText(*main_->mSQL, sample);
  Translate();
  EXPECT_EQ(Marked(), names);
  // The text and the clipboard are those of a translation without marks.
  EXPECT_EQ(MemoText(*main_->mSQLPre), expected);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), AnsiToQString(expected));

  main_->lComment->setChecked(true);
  main_->fPrefix->setText(QStringLiteral("-- "));
  main_->fSufix->setText(QStringLiteral(" --"));
  Translate();
  EXPECT_EQ(Marked(), withComments);
  EXPECT_TRUE(errors_.isEmpty()) << errors_.join(u'|').toStdString();
}

TEST_F(HighlightTest, PositionsCountEachLineBreakOnceAlsoInsideAName) {
  // A name holding a CR LF, a comment prefix ending in a CR, a lone CR.
  THighlightCollector collector("--\r", "");
  using O = TWordResult::Outcome;
  const TLineResult first{"a Ime b",
                          "a N\r\nx b",
                          true,
                          {{0, 1, 0, 1, O::Kept}, {2, 3, 2, 4, O::Column}, {6, 1, 7, 1, O::Kept}}};
  const TLineResult second{
      "Ime Gone", "c\rd ", false, {{0, 3, 0, 3, O::Column}, {4, 4, 4, 0, O::Column}}};
  collector.OnLine(first);
  collector.OnLine(second);
  QPlainTextEdit area;
  SetMemoText(area, "--\ra Ime b\r\na N\r\nx b\r\nc\rd \r\n");
  const QString text = area.document()->toRawText();
  std::vector<std::pair<QString, bool>> marked;
  for (const THighlightSpan& span : collector.TakeSpans())
    marked.emplace_back(text.mid(span.Start, span.Length), span.Comment);
  const QChar br(QChar::ParagraphSeparator);
  // The name that became empty leaves no mark.
  EXPECT_EQ(marked, (std::vector<std::pair<QString, bool>>{
                        {QStringLiteral("--") + br + QStringLiteral("a Ime b"), true},
                        {QStringLiteral("N") + br + QStringLiteral("x"), false},
                        {QStringLiteral("c") + br + QStringLiteral("d"), false}}));
}

TEST_F(HighlightTest, MarksStayOnTheNamesBehindCharactersOfEveryWidth) {
  CopyExamples();
  MakeMain();
  main_->lComment->setChecked(true);
  main_->fPrefix->setText(QStringLiteral("-- \u017E "));
  // Two-, three- and four-byte characters before and between the names.
  SetMemoText(*main_->mSQL,
              "select \xC4\x8D\xE2\x82\xAC\xF0\x9F\x98\x80, Ime -- \xF0\x9F\x98\x80\n"
              "from Kupac");
  Translate();
  const QChar br(QChar::ParagraphSeparator);
  const QString first = QStringLiteral("select \u010D\u20AC\U0001F600, Ime -- \U0001F600");
  EXPECT_EQ(Marked(),
            (std::vector<std::pair<QString, bool>>{{QStringLiteral("-- \u017E ") + first, true},
                                                   {QStringLiteral("Name"), false},
                                                   {QStringLiteral("-- \u017E from Kupac"), true},
                                                   {QStringLiteral("Customer"), false}}));
  EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(HighlightTest, OnlyTheLinesInViewCarryMarks) {
  CopyExamples();
  MakeMain();
  std::string text;
  for (int i = 0; i < 4000; ++i)
    text += "select Ime from Kupac\n";
  SetMemoText(*main_->mSQL, text);
  Translate();
  QApplication::processEvents();
  EXPECT_EQ(main_->mSQLPreHighlight->Spans().size(), 8000u);

  auto blocksMarked = [&] {
    std::vector<int> blocks;
    for (const QTextEdit::ExtraSelection& s : main_->mSQLPre->extraSelections()) {
      EXPECT_TRUE(s.cursor.selectedText() == QStringLiteral("Name") ||
                  s.cursor.selectedText() == QStringLiteral("Customer"))
          << s.cursor.selectedText().toStdString();
      EXPECT_EQ(s.format.background().color(), TSpanHighlighter::NameColor());
      blocks.push_back(s.cursor.block().blockNumber());
    }
    return blocks;
  };
  std::vector<int> blocks = blocksMarked();
  ASSERT_FALSE(blocks.empty());
  EXPECT_EQ(blocks.front(), 0);
  EXPECT_LT(blocks.back(), 100);

  QScrollBar* bar = main_->mSQLPre->verticalScrollBar();
  bar->setValue(bar->maximum());
  QApplication::processEvents();
  blocks = blocksMarked();
  ASSERT_FALSE(blocks.empty());
  EXPECT_GT(blocks.front(), 3900);
  EXPECT_EQ(blocks.back(), 3999);
}

TEST_F(HighlightTest, AnEditOrAFailedTranslationLeavesNoMarks) {
  CopyExamples();
  TMain& main = MakeMain();
  SetMemoText(*main.mSQL, "from Kupac");
  Translate();
  QApplication::processEvents();
  EXPECT_EQ(Marked(), (std::vector<std::pair<QString, bool>>{{QStringLiteral("Customer"), false}}));
  EXPECT_EQ(main.mSQLPre->extraSelections().size(), 1);

  main.mSQLPre->moveCursor(QTextCursor::End);
  main.mSQLPre->insertPlainText(QStringLiteral("x"));
  QApplication::processEvents();
  EXPECT_TRUE(Marked().empty());
  EXPECT_TRUE(main.mSQLPre->extraSelections().isEmpty());

  Translate();
  EXPECT_EQ(Marked().size(), 1u);
  // Without the column table every translation fails.
  main.tbTableStr_Trans.Close();
  main.tbTableStr_Trans.ClearTable();
  SetMemoText(*main.mSQL, "from Kupac\nselect Ime");
  Translate();
  QApplication::processEvents();
  EXPECT_EQ(errors_.size(), 1);
  EXPECT_TRUE(Marked().empty());
  EXPECT_TRUE(main.mSQLPre->extraSelections().isEmpty());
}

}  // namespace
}  // namespace qualtren::test
