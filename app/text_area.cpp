// The window's text boundary: ANSI text to and from Qt strings, file names as
// the file system's bytes, and the whole text of a text area with its
// line-break rules and capacity.
#include "app/text_area.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTextDocument>
#include <algorithm>

#include "base/exception.h"
#include "base/utf.h"

namespace qualtren {

QString AnsiToQString(std::string_view ansi) {
  return QString::fromStdU16String(AnsiToUtf16(ansi));
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

std::string MemoText(const QPlainTextEdit& memo) {
  // The raw text keeps every character as it stands (no blank for a
  // no-break space); blocks are separated by the paragraph separator, and a
  // line separator comes from Shift+Enter.
  const QString raw = memo.document()->toRawText();
  std::u16string text;
  text.reserve(static_cast<std::size_t>(raw.size()) + raw.size() / 16);
  for (const QChar ch : raw) {
    const char16_t c = ch.unicode();
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
      text += u"\r\n";
    } else {
      text += c;
    }
  }
  return Utf16ToAnsi(text);
}

void SetMemoText(QPlainTextEdit& memo, std::string_view text) {
  if (UniformLength(text) > kMemoCapacity) throw Exception("Text exceeds memo capacity");
  // Every kind of line break becomes one LF, which the document turns into
  // a new block.
  std::string uniform;
  uniform.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      uniform += '\n';
    } else {
      uniform += text[i];
    }
  }
  memo.setPlainText(AnsiToQString(uniform));
}

}  // namespace qualtren
