// The window's text boundary: ANSI text to and from Qt strings, file names as
// the file system's bytes, and the whole text of a text area with its
// line-break rules and capacity.
#include "app/text_area.h"

#include "base/codepage.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <vector>

#include "base/exception.h"
#include "base/utf.h"

namespace qualtren {

namespace {

// The UTF-16 unit of each byte in the active code page.
std::array<char16_t, 256> DecodeTable() {
  std::array<char16_t, 256> table{};
  for (int b = 0; b < 256; ++b)
    table[static_cast<size_t>(b)] = static_cast<char16_t>(AnsiToUnicode(static_cast<uint8_t>(b)));
  return table;
}

// The byte of each UTF-16 unit in the active code page, -1 where it has
// none: the inverse of DecodeTable (of two bytes of one character, the
// lower), made once for each code page the window meets.
const std::vector<int16_t>& EncodeTable() {
  static int codePage = 0;
  static std::vector<int16_t> table;
  if (codePage != ActiveCodePage() || table.empty()) {
    codePage = ActiveCodePage();
    table.assign(0x10000, -1);
    for (int b = 255; b >= 0; --b) {
      uint8_t byte;
      const char32_t cp = AnsiToUnicode(static_cast<uint8_t>(b));
      if (cp < 0x10000 && UnicodeToAnsi(cp, byte) && byte == b) table[cp] = static_cast<int16_t>(b);
    }
  }
  return table;
}

}  // namespace

QString AnsiToQString(std::string_view ansi) {
  const std::array<char16_t, 256> decode = DecodeTable();
  QString text(static_cast<qsizetype>(ansi.size()), Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(text.data());
  for (const char c : ansi)
    *out++ = decode[static_cast<uint8_t>(c)];
  return text;
}

std::string QStringToAnsi(const QString& text) {
  return Utf16ToAnsi(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

std::string FileNameBytes(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

QString FileNameToQString(std::string_view bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString MessageToQString(std::string_view message) {
  const bool ascii = std::all_of(message.begin(), message.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size()));
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder(QByteArrayView(message.data(), static_cast<qsizetype>(message.size())));
  if (!decoder.hasError()) return text;
  return AnsiToQString(message);
}

std::size_t UniformLength(std::string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      length += 2;
    } else {
      ++length;
    }
  }
  return length;
}

namespace {

bool IsBlockBreak(char16_t c) {
  return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// The text of a text area with CR LF between its lines, as ANSI text;
// `lossless` tells whether every character had a byte of its own.
std::string RawTextToAnsi(const QString& raw, bool& lossless) {
  // Mostly every character has its byte, found in a table.
  const std::vector<int16_t>& encode = EncodeTable();
  std::string ansi;
  ansi.reserve(static_cast<std::size_t>(raw.size()) + raw.size() / 16);
  bool allFound = true;
  for (const QChar ch : raw) {
    const char16_t c = ch.unicode();
    if (IsBlockBreak(c)) {
      ansi += "\r\n";
    } else if (encode[c] >= 0) {
      ansi += static_cast<char>(encode[c]);
    } else {
      allFound = false;
      break;
    }
  }
  if (allFound) {
    lossless = true;
    return ansi;
  }
  // Otherwise the characters the code page lacks become "?".
  std::u16string text;
  text.reserve(static_cast<std::size_t>(raw.size()) + raw.size() / 16);
  for (const QChar ch : raw) {
    const char16_t c = ch.unicode();
    if (IsBlockBreak(c)) {
      text += u"\r\n";
    } else {
      text += c;
    }
  }
  return Utf16ToAnsi(text, &lossless);
}

// The first character of the raw text that the active code page lacks.
TLostCharacter FirstLostCharacter(const QString& raw) {
  int line = 1;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    const char16_t c = raw[i].unicode();
    if (c < 0x80) continue;
    if (IsBlockBreak(c)) {
      ++line;
      continue;
    }
    char32_t cp = c;
    if (QChar::isHighSurrogate(c) && i + 1 < raw.size() && raw[i + 1].isLowSurrogate()) {
      cp = QChar::surrogateToUcs4(c, raw[i + 1].unicode());
      ++i;
    }
    uint8_t byte;
    if (QChar::isSurrogate(cp) || !UnicodeToAnsi(cp, byte)) return {cp, line};
  }
  return {};
}

}  // namespace

std::string MemoText(const QPlainTextEdit& memo) {
  // The raw text keeps every character as it stands (no blank for a
  // no-break space); blocks are separated by the paragraph separator, and a
  // line separator comes from Shift+Enter.
  bool lossless = true;
  return RawTextToAnsi(memo.document()->toRawText(), lossless);
}

std::string MemoText(const QPlainTextEdit& memo, TLostCharacter& lost) {
  const QString raw = memo.document()->toRawText();
  bool lossless = true;
  std::string text = RawTextToAnsi(raw, lossless);
  lost = lossless ? TLostCharacter{} : FirstLostCharacter(raw);
  return text;
}

QString LostCharacterMessage(const TLostCharacter& lost, int codePage) {
  return QStringLiteral(
             "Code page %1 cannot represent the character \"%2\" (U+%3) on line %4; it and "
             "every other such character became \"?\" in the translation")
      .arg(codePage)
      .arg(QString::fromUcs4(&lost.Character, 1))
      .arg(QString::number(lost.Character, 16).toUpper().rightJustified(4, u'0'))
      .arg(lost.Line);
}

void SetMemoText(QPlainTextEdit& memo, std::string_view text) {
  if (UniformLength(text) > kMemoCapacity) throw Exception("Text exceeds memo capacity");
  // Every kind of line break becomes one LF, which the document turns into
  // a new block; the bytes go through the code page on the way.
  const std::array<char16_t, 256> decode = DecodeTable();
  QString uniform(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
  char16_t* const begin = reinterpret_cast<char16_t*>(uniform.data());
  char16_t* out = begin;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      *out++ = u'\n';
    } else {
      *out++ = decode[static_cast<uint8_t>(text[i])];
    }
  }
  uniform.truncate(out - begin);
  memo.setPlainText(uniform);
}

}  // namespace qualtren
