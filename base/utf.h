// Conversions between ANSI text of the active code page, UTF-8 and UTF-16,
// the check of well-formed UTF-8, and UTF-16 text as the bytes that hold it.
#pragma once

#include <string>
#include <string_view>

namespace qualtren {

/// Decodes the UTF-8 character at `i` and moves `i` past it. A byte that
/// starts no well-formed sequence is taken alone as the code point of its
/// value, with `wellFormed` false.
char32_t DecodeUtf8(std::string_view s, size_t& i, bool& wellFormed);

/// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t c);

/// ANSI text <-> UTF-8. A character the code page lacks becomes "?"; when
/// lossless is given it is set to false in that case. Malformed UTF-8 bytes
/// are taken one by one as code points of their own value.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8, bool* lossless = nullptr);

/// A UTF-8 text in the active code page, into `ansi`: false, and `ansi`
/// unspecified, when the text holds a character the code page lacks or is
/// no well-formed UTF-8. ASCII text comes through unchanged.
bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi);

/// Whether every byte is below 0x80.
bool IsAscii(std::string_view bytes);

/// The number of UTF-16 code units that a well-formed UTF-8 text takes.
size_t Utf16Length(std::string_view utf8);

/// ANSI text <-> UTF-16 code units.
std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view utf16, bool* lossless = nullptr);

/// UTF-16 <-> UTF-8 (for wide strings shown or written as UTF-8); an
/// unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);

/// Whether the bytes are well-formed UTF-8 (no overlong forms, no
/// surrogates, nothing above U+10FFFF, no sequence cut short).
bool IsValidUtf8(std::string_view bytes);

/// UTF-16 code units from the bytes that hold them in the machine's order
/// (an odd last byte is dropped), and back.
std::u16string Utf16FromBytes(std::string_view bytes);
std::string Utf16ToBytes(std::u16string_view utf16);

}  // namespace qualtren
