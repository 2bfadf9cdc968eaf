// The ANSI code page of the process: which one is active, byte <-> Unicode
// tables in which all 256 bytes round-trip, and the ANSI upper-case mapping.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace qualtren {

/// The tables of one supported code page, built once and kept for the run.
struct TCodePageTable {
  int Number = 0;
  size_t Slot = 0;  // position among the supported code pages
  // Every byte as a code point; an undefined byte as the code point of its value.
  std::array<char32_t, 256> ToUnicode{};
  std::array<bool, 256> Defined{};
  // The ANSI upper-case mapping: a byte's simple upper case when that is one
  // byte of the same code page, else the byte itself.
  std::array<uint8_t, 256> Upper{};
  // Code points of bytes 0x80-0xFF with their bytes, sorted by code point.
  std::array<std::pair<char32_t, uint8_t>, 128> Reverse{};
  // The byte of each code point below U+0800 (where the letters of every
  // code page but Thai stand), -1 where the code page has none.
  std::array<int16_t, 0x800> Low{};

  /// The byte of a code point; false when the code page has none.
  bool Encode(char32_t cp, uint8_t& byte) const;
};

/// The supported code pages: 874 and 1250 to 1258.
std::span<const int> SupportedCodePages();
bool IsSupportedCodePage(int codePage);
/// The tables of a supported code page (of 1252 for any other number).
const TCodePageTable& CodePageTable(int codePage);

/// The process's code page: taken from the locale of the environment on
/// first use, or pinned by SetActiveCodePage (tests, the command line);
/// raises for an unsupported number.
int ActiveCodePage();
void SetActiveCodePage(int codePage);
const TCodePageTable& ActiveCodePageTable();

/// One byte of the active code page as a Unicode code point; a byte the code
/// page leaves undefined maps to the code point of the same value.
char32_t AnsiToUnicode(uint8_t byte);
/// A code point as one byte of the active code page; false when it has none.
bool UnicodeToAnsi(char32_t cp, uint8_t& byte);

/// The ANSI upper-case form of one byte / a text under the active code page.
uint8_t AnsiUpperChar(uint8_t byte);
/// The active code page's upper-case mapping as a table of 256 bytes; it
/// stays valid for the life of the process.
const uint8_t* AnsiUpperTable();
std::string AnsiUpperCase(std::string_view text);

}  // namespace qualtren
