// Tests of the text boundary: line breaks of the text areas, their capacity,
// ANSI bytes through Qt strings and the text of error messages.
#include "app/text_area.h"

#include <QPlainTextEdit>

#include "base/exception.h"
#include "base/utf.h"

#include "tests/app/app_fixture.h"

namespace qualtren::test {
namespace {

using TextAreaTest = AppTest;

TEST_F(TextAreaTest, LineBreaksBecomeUniformAndReadBackWithCrLf) {
  QPlainTextEdit memo;
  SetMemoText(memo, "a\rb\nc\r\nd\n\re");
  EXPECT_EQ(MemoText(memo), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  SetMemoText(memo, "last\n");
  EXPECT_EQ(MemoText(memo), "last\r\n");
  SetMemoText(memo, "\r\n\r\n");
  EXPECT_EQ(MemoText(memo), "\r\n\r\n");
  SetMemoText(memo, "");
  EXPECT_EQ(MemoText(memo), "");
  // A line break typed with Shift+Enter reads as one too.
  memo.setPlainText(QStringLiteral("x") + QChar(QChar::LineSeparator) + QStringLiteral("y"));
  EXPECT_EQ(MemoText(memo), "x\r\ny");
}

TEST_F(TextAreaTest, EveryAnsiByteButTheBreaksRoundTrips) {
  for (int codePage : {1250, 1251, 1252}) {
    SetActiveCodePage(codePage);
    std::string bytes;
    for (int b = 1; b < 256; ++b) {
      if (b != '\r' && b != '\n') bytes += static_cast<char>(b);
    }
    // The area holds the text's characters, read and written as UTF-8; the
    // no-break space and the tab stay what they were.
    QPlainTextEdit memo;
    SetMemoText(memo, AnsiToUtf8(bytes));
    EXPECT_EQ(MemoText(memo), AnsiToUtf8(bytes)) << codePage;
    EXPECT_EQ(Utf8ToQString(AnsiToUtf8(bytes)), AnsiToQString(bytes)) << codePage;
    EXPECT_EQ(QStringToAnsi(AnsiToQString(bytes)), bytes) << codePage;
  }
  // Characters beyond 16 bits too.
  QPlainTextEdit memo;
  SetMemoText(memo, "\xF0\x9F\x98\x80\n\xE2\x82\xAC");
  EXPECT_EQ(MemoText(memo), "\xF0\x9F\x98\x80\r\n\xE2\x82\xAC");
  SetActiveCodePage(1252);
  EXPECT_EQ(AnsiToQString("\xe9"), QString(QChar(0xe9)));
  EXPECT_EQ(QStringToAnsi(QString(QChar(0x4e00))), "?");
}

TEST_F(TextAreaTest, CapacityIsCheckedBeforeTheAreaChanges) {
  EXPECT_EQ(UniformLength("a\nb\r\nc\r"), 9u);
  EXPECT_EQ(UniformLength("\n\r"), 4u);
  EXPECT_GE(kMemoCapacity, std::size_t{16} * 1024 * 1024);
  QPlainTextEdit memo;
  SetMemoText(memo, "kept");
  try {
    SetMemoText(memo, std::string(kMemoCapacity + 1, 'x'));
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Text exceeds memo capacity");
  }
  // Line breaks count as CR LF: half the capacity in LFs is too much.
  EXPECT_THROW(SetMemoText(memo, std::string(kMemoCapacity / 2 + 1, '\n')), Exception);
  EXPECT_EQ(MemoText(memo), "kept");
}

TEST_F(TextAreaTest, MessagesShowFileNamesAndAnsiText) {
  SetActiveCodePage(1250);
  EXPECT_EQ(MessageToQString("Cannot open file a.txt"), QStringLiteral("Cannot open file a.txt"));
  // A file name in UTF-8 is shown as such.
  EXPECT_EQ(MessageToQString("Cannot open file \xc5\xa1.txt"),
            QStringLiteral("Cannot open file ") + QChar(0x161) + QStringLiteral(".txt"));
  // ANSI text (0x8a is S with caron in 1250) is not valid UTF-8.
  EXPECT_EQ(MessageToQString("Field \x8a not found"),
            QStringLiteral("Field ") + QChar(0x160) + QStringLiteral(" not found"));
  SetActiveCodePage(1252);
  EXPECT_EQ(FileNameToQString(FileNameBytes(QStringLiteral("d\u00e9j\u00e0"))),
            QStringLiteral("d\u00e9j\u00e0"));
}

}  // namespace
}  // namespace qualtren::test
