// Letter case, letter classes and base letters of the code points that the
// code pages hold.
#include "base/letters.h"

#include <string_view>

#include "base/ascii.h"

namespace qualtren {

namespace {

// Base letters of U+00C0..U+017F ('.' where the code point is no letter or
// is its own base); the ligatures and sharp s are left to the collation.
constexpr std::string_view kLatinBase =
    "AAAAAAACEEEEIIIIDNOOOOO.OUUUUY.."   // 00C0
    "aaaaaaaceeeeiiiidnooooo.ouuuuy.y"   // 00E0
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGg"   // 0100
    "GgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlL"   // 0120
    "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSs"   // 0140
    "SsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";  // 0160

}  // namespace

// Latin-1, Latin Extended-A, the Vietnamese horned letters, Greek and
// Cyrillic have an upper case.
char32_t SimpleUpper(char32_t c) {
  if (c < 0x80) return static_cast<char32_t>(UpperAscii(static_cast<char>(c)));
  if (c < 0x100) {
    if (c == 0xB5) return 0x39C;
    if (c == 0xFF) return 0x178;
    if (c >= 0xE0 && c != 0xF7 && c != 0xFF) return c - 0x20;
    return c;
  }
  if (c <= 0x17F) {
    if (c == 0x131) return 'I';
    if (c == 0x17F) return 'S';
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x178) return c;
    if (c <= 0x137 || (c >= 0x14A && c <= 0x177)) return (c & 1) ? c - 1 : c;
    return (c & 1) ? c : c - 1;  // 0139-0148, 0179-017E: upper case on odd
  }
  switch (c) {
    case 0x192:
      return 0x191;
    case 0x1A1:
      return 0x1A0;
    case 0x1B0:
      return 0x1AF;
    case 0x3AC:
      return 0x386;
    case 0x3C2:
      return 0x3A3;
    case 0x3CC:
      return 0x38C;
    case 0x3CD:
      return 0x38E;
    case 0x3CE:
      return 0x38F;
    default:
      break;
  }
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) && (c & 1)) return c - 1;
  return c;
}

bool IsCombiningMark(char32_t c) {
  return (c >= 0x300 && c <= 0x36F) ||
         (c >= 0x591 && c <= 0x5C7 && c != 0x5BE && c != 0x5C0 && c != 0x5C3 && c != 0x5C6) ||
         (c >= 0x64B && c <= 0x65F) || c == 0x670 || c == 0xE31 || (c >= 0xE34 && c <= 0xE3A) ||
         (c >= 0xE47 && c <= 0xE4E);
}

bool IsLetter(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (c < 0x100) return c >= 0xC0 && c != 0xD7 && c != 0xF7;
  return (c <= 0x24F) || (c >= 0x386 && c <= 0x3FF && c != 0x387) ||
         (c >= 0x400 && c <= 0x52F && !(c >= 0x482 && c <= 0x489)) || (c >= 0x5D0 && c <= 0x5F2) ||
         (c >= 0x621 && c <= 0x64A && c != 0x640) || (c >= 0x671 && c <= 0x6D3) || c == 0x6D5 ||
         (c >= 0xE01 && c <= 0xE30) || c == 0xE32 || c == 0xE33 || (c >= 0xE40 && c <= 0xE46);
}

char32_t BaseLetter(char32_t c) {
  if (c >= 0xC0 && c <= 0x17F) {
    char b = kLatinBase[c - 0xC0];
    return b == '.' ? c : static_cast<char32_t>(b);
  }
  switch (c) {
    case 0x1A0:
      return 'O';
    case 0x1A1:
      return 'o';
    case 0x1AF:
      return 'U';
    case 0x1B0:
      return 'u';
    case 0x386:
      return 0x391;
    case 0x388:
      return 0x395;
    case 0x389:
      return 0x397;
    case 0x38A:
    case 0x3AA:
      return 0x399;
    case 0x38C:
      return 0x39F;
    case 0x38E:
    case 0x3AB:
      return 0x3A5;
    case 0x38F:
      return 0x3A9;
    case 0x3AC:
      return 0x3B1;
    case 0x3AD:
      return 0x3B5;
    case 0x3AE:
      return 0x3B7;
    case 0x3AF:
    case 0x3CA:
    case 0x390:
      return 0x3B9;
    case 0x3C2:
      return 0x3C3;
    case 0x3CC:
      return 0x3BF;
    case 0x3CD:
    case 0x3CB:
    case 0x3B0:
      return 0x3C5;
    case 0x3CE:
      return 0x3C9;
    case 0x401:
      return 0x415;
    case 0x451:
      return 0x435;
    default:
      return c;
  }
}

}  // namespace qualtren
