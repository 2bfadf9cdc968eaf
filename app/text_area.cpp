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

QString Utf8ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string QStringToUtf8(const QString& text) {
  return text.toUtf8().toStdString();
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

}  // namespace

std::string MemoText(const QPlainTextEdit& memo) {
  // The raw text keeps every character as it stands (no blank for a
  // no-break space); blocks are separated by the paragraph separator, and a
  // line separator comes from Shift+Enter. Each becomes CR LF.
  const QString raw = memo.document()->toRawText();
  std::string text;
  text.reserve(static_cast<std::size_t>(raw.size()) + raw.size() / 16);
  const char16_t* p = reinterpret_cast<const char16_t*>(raw.utf16());
  const char16_t* const end = p + raw.size();
  while (p < end) {
    const char16_t* run = p;
    while (p < end && !IsBlockBreak(*p))
      ++p;
    text += Utf16ToUtf8(std::u16string_view(run, static_cast<std::size_t>(p - run)));
    if (p < end) {
      text += "\r\n";
      ++p;
    }
  }
  return text;
}

void SetMemoText(QPlainTextEdit& memo, std::string_view utf8) {
  if (UniformLength(utf8) > kMemoCapacity) throw Exception("Text exceeds memo capacity");
  // Every kind of line break becomes one LF, which the document turns into
  // a new block.
  std::string uniform;
  uniform.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      uniform += '\n';
    } else {
      uniform += utf8[i];
    }
  }
  memo.setPlainText(Utf8ToQString(uniform));
}

}  // namespace qualtren
