// The code page tables and the active code page. The tables of every
// supported code page are built together on first use and kept for the run.
#include "base/codepage.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "base/codepage_tables.h"
#include "base/exception.h"
#include "base/letters.h"
#include "base/locale.h"

namespace qualtren {

namespace {

constexpr std::array<int, 10> kCodePages = {874,  1250, 1251, 1252, 1253,
                                            1254, 1255, 1256, 1257, 1258};

int SlotOf(int codePage) {
  for (size_t i = 0; i < kCodePages.size(); ++i)
    if (kCodePages[i] == codePage) return static_cast<int>(i);
  return -1;
}

void Build(TCodePageTable& d, int codePage, size_t slot) {
  d.Number = codePage;
  d.Slot = slot;
  const char16_t* high = CodePageUpperHalf(codePage);
  for (int b = 0; b < 256; ++b) {
    char16_t u = b < 0x80 ? static_cast<char16_t>(b) : high[b - 0x80];
    d.Defined[b] = u != kCodePageNone;
    d.ToUnicode[b] = d.Defined[b] ? u : static_cast<char32_t>(b);
  }
  for (int b = 0x80; b < 256; ++b)
    d.Reverse[b - 0x80] = {d.ToUnicode[b], static_cast<uint8_t>(b)};
  std::sort(d.Reverse.begin(), d.Reverse.end());
  // Of two bytes of one code point the lower wins, as in Reverse.
  d.Low.fill(-1);
  for (int b = 0; b < 0x80; ++b)
    d.Low[static_cast<size_t>(b)] = static_cast<int16_t>(b);
  for (int b = 255; b >= 0x80; --b)
    if (d.ToUnicode[b] < 0x800) d.Low[d.ToUnicode[b]] = static_cast<int16_t>(b);
  for (int b = 0; b < 256; ++b) {
    d.Upper[b] = static_cast<uint8_t>(b);
    // An undefined byte is no letter, and no letter turns into one.
    if (d.Defined[b]) {
      uint8_t u;
      if (d.Encode(SimpleUpper(d.ToUnicode[b]), u) && d.Defined[u]) d.Upper[b] = u;
    }
  }
}

const std::array<TCodePageTable, kCodePages.size()>& Tables() {
  static const auto tables = [] {
    auto t = std::make_unique<std::array<TCodePageTable, kCodePages.size()>>();
    for (size_t i = 0; i < kCodePages.size(); ++i)
      Build((*t)[i], kCodePages[i], i);
    return t;
  }();
  return *tables;
}

std::atomic<const TCodePageTable*> gActive{nullptr};

}  // namespace

bool TCodePageTable::Encode(char32_t cp, uint8_t& byte) const {
  if (cp < 0x800) {
    if (Low[cp] < 0) return false;
    byte = static_cast<uint8_t>(Low[cp]);
    return true;
  }
  auto it = std::lower_bound(Reverse.begin(), Reverse.end(), std::make_pair(cp, uint8_t{0}));
  if (it == Reverse.end() || it->first != cp) return false;
  byte = it->second;
  return true;
}

std::span<const int> SupportedCodePages() {
  return kCodePages;
}

bool IsSupportedCodePage(int codePage) {
  return SlotOf(codePage) >= 0;
}

const TCodePageTable& CodePageTable(int codePage) {
  int slot = SlotOf(codePage);
  if (slot < 0) slot = SlotOf(1252);
  return Tables()[static_cast<size_t>(slot)];
}

const TCodePageTable& ActiveCodePageTable() {
  const TCodePageTable* p = gActive.load(std::memory_order_acquire);
  if (p != nullptr) return *p;
  const TCodePageTable* fromEnv = &CodePageTable(CodePageForLocale(LocaleNameFromEnvironment()));
  // A concurrent SetActiveCodePage wins over the environment.
  const TCodePageTable* expected = nullptr;
  if (gActive.compare_exchange_strong(expected, fromEnv, std::memory_order_acq_rel))
    return *fromEnv;
  return *expected;
}

int ActiveCodePage() {
  return ActiveCodePageTable().Number;
}

void SetActiveCodePage(int codePage) {
  if (!IsSupportedCodePage(codePage))
    throw Exception("Code page " + std::to_string(codePage) + " is not supported");
  gActive.store(&CodePageTable(codePage), std::memory_order_release);
}

char32_t AnsiToUnicode(uint8_t byte) {
  return ActiveCodePageTable().ToUnicode[byte];
}

bool UnicodeToAnsi(char32_t cp, uint8_t& byte) {
  return ActiveCodePageTable().Encode(cp, byte);
}

uint8_t AnsiUpperChar(uint8_t byte) {
  return ActiveCodePageTable().Upper[byte];
}

const uint8_t* AnsiUpperTable() {
  return ActiveCodePageTable().Upper.data();
}

std::string AnsiUpperCase(std::string_view text) {
  const auto& upper = ActiveCodePageTable().Upper;
  std::string r(text);
  for (char& c : r)
    c = static_cast<char>(upper[static_cast<uint8_t>(c)]);
  return r;
}

}  // namespace qualtren
