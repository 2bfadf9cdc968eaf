// The window's text boundary: UTF-8 and ANSI text to and from Qt strings,
// file names as the file system's bytes, and the whole text of a text area
// (Unicode, read and written as UTF-8) with its line-break rules and
// capacity.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

class QPlainTextEdit;

namespace qualtren {

// ANSI text (the active code page) <-> Qt strings.
QString AnsiToQString(std::string_view ansi);
std::string QStringToAnsi(const QString& text);

// UTF-8 text <-> Qt strings. The window's text is Unicode: the engine reads
// its UTF-8 form, so no character is lost.
QString Utf8ToQString(std::string_view utf8);
std::string QStringToUtf8(const QString& text);

// File names are the file system's own bytes, not ANSI text.
std::string FileNameBytes(const QString& name);
QString FileNameToQString(std::string_view bytes);

// The text of an error message. Messages are ANSI text, but the file names
// in them are the file system's bytes: a message with non-ASCII bytes that
// reads as valid UTF-8 is taken as UTF-8, every other one as ANSI.
QString MessageToQString(std::string_view message);

// The most a text area takes from a command, counted in bytes of its whole
// text (each line break as CR LF).
constexpr std::size_t kMemoCapacity = std::size_t{64} * 1024 * 1024;

// The length of the text once its line breaks are made uniform (CR LF).
std::size_t UniformLength(std::string_view text);

// The whole text of a text area in UTF-8: its lines separated by CR LF,
// nothing after the last.
std::string MemoText(const QPlainTextEdit& memo);

// Replaces the whole text of a text area by a UTF-8 text; a CR LF pair stays
// one line break, each lone CR and lone LF becomes one. Raises "Text exceeds
// memo capacity" above kMemoCapacity, leaving the area as it was.
void SetMemoText(QPlainTextEdit& memo, std::string_view utf8);

}  // namespace qualtren
