// Raw data of the supported ANSI code pages: the Unicode code point of every
// byte from 0x80 to 0xFF.
#pragma once

namespace qualtren {

// Marks a byte that a code page leaves undefined.
constexpr char16_t kCodePageNone = 0xFFFF;

// The 128 code points of bytes 0x80-0xFF of a supported code page (874,
// 1250-1258), kCodePageNone where undefined; nullptr for any other number.
const char16_t* CodePageUpperHalf(int codePage);

}  // namespace qualtren
