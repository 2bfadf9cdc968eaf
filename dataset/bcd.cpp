// Packed decimal and currency conversions.
#include "dataset/bcd.h"

#include <cmath>
#include <cstdlib>

#include "base/exception.h"

namespace qualtren {

namespace {
[[noreturn]] void BadNumber(std::string_view text) {
  throw EConvertError(Format("'%s' is not a valid BCD value", {text}));
}
}  // namespace

bool TryParseDecimalText(std::string_view text, bool& negative, std::string& intDigits,
                         std::string& fracDigits) {
  negative = false;
  intDigits.clear();
  fracDigits.clear();
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  while (i < text.size() && text[i] >= '0' && text[i] <= '9')
    intDigits += text[i++];
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
      fracDigits += text[i++];
  }
  if (i != text.size() || (intDigits.empty() && fracDigits.empty())) return false;
  size_t nz = intDigits.find_first_not_of('0');
  intDigits = nz == std::string::npos ? "" : intDigits.substr(nz);
  return true;
}

std::string DecimalTextToFmtBcd(std::string_view text, int precision, int scale) {
  bool negative;
  std::string ip, fp;
  if (!TryParseDecimalText(text, negative, ip, fp)) BadNumber(text);
  if (scale < 0) scale = 0;
  if (scale > 63) scale = 63;
  // Round the fraction to the scale, half away from zero.
  if (static_cast<int>(fp.size()) > scale) {
    bool up = fp[static_cast<size_t>(scale)] >= '5';
    fp.resize(static_cast<size_t>(scale));
    if (up) {
      std::string all = ip + fp;
      int k = static_cast<int>(all.size()) - 1;
      while (k >= 0 && all[static_cast<size_t>(k)] == '9')
        all[static_cast<size_t>(k--)] = '0';
      if (k < 0)
        all.insert(all.begin(), '1');
      else
        ++all[static_cast<size_t>(k)];
      ip = all.substr(0, all.size() - fp.size());
      fp = all.substr(all.size() - fp.size());
    }
  }
  while (static_cast<int>(fp.size()) < scale)
    fp += '0';
  if (precision <= 0 || precision > 64) precision = 64;
  if (static_cast<int>(ip.size() + fp.size()) > precision) BadNumber(text);
  std::string digits = ip + fp;
  if (digits.empty()) digits = "0";
  std::string out(kFmtBcdSize, '\0');
  out[0] = static_cast<char>(digits.size());
  bool zero = digits.find_first_not_of('0') == std::string::npos;
  out[1] = static_cast<char>((negative && !zero ? 0x80 : 0) | (scale & 0x3F));
  for (size_t d = 0; d < digits.size(); ++d) {
    uint8_t v = static_cast<uint8_t>(digits[d] - '0');
    uint8_t& b = reinterpret_cast<uint8_t&>(out[2 + d / 2]);
    b = static_cast<uint8_t>(d % 2 == 0 ? (b & 0x0F) | (v << 4) : (b & 0xF0) | v);
  }
  return out;
}

std::string FmtBcdToDecimalText(std::string_view bcd) {
  if (bcd.size() < 2) return "0";
  size_t count = static_cast<uint8_t>(bcd[0]);
  int scale = static_cast<uint8_t>(bcd[1]) & 0x3F;
  bool negative = (static_cast<uint8_t>(bcd[1]) & 0x80) != 0;
  if (count > (bcd.size() - 2) * 2) count = (bcd.size() - 2) * 2;
  std::string digits;
  for (size_t d = 0; d < count; ++d) {
    uint8_t b = static_cast<uint8_t>(bcd[2 + d / 2]);
    uint8_t v = d % 2 == 0 ? (b >> 4) : (b & 0x0F);
    digits += static_cast<char>('0' + (v > 9 ? 9 : v));
  }
  if (static_cast<int>(digits.size()) < scale)
    digits.insert(0, static_cast<size_t>(scale) - digits.size(), '0');
  std::string ip = digits.substr(0, digits.size() - static_cast<size_t>(scale));
  std::string fp = digits.substr(digits.size() - static_cast<size_t>(scale));
  while (!fp.empty() && fp.back() == '0')
    fp.pop_back();
  size_t nz = ip.find_first_not_of('0');
  ip = nz == std::string::npos ? "0" : ip.substr(nz);
  std::string out = ip;
  if (!fp.empty()) out += "." + fp;
  if (negative && out != "0") out.insert(0, "-");
  return out;
}

std::string CurrencyToDecimalText(int64_t v) {
  bool negative = v < 0;
  uint64_t u = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  std::string out = std::to_string(u / 10000);
  std::string frac = std::to_string(u % 10000);
  frac.insert(0, 4 - frac.size(), '0');
  while (!frac.empty() && frac.back() == '0')
    frac.pop_back();
  if (!frac.empty()) out += "." + frac;
  if (negative) out.insert(0, "-");
  return out;
}

int64_t DecimalTextToCurrency(std::string_view text) {
  std::string bcd = DecimalTextToFmtBcd(text, 19, 4);
  std::string t = FmtBcdToDecimalText(bcd);
  bool negative;
  std::string ip, fp;
  TryParseDecimalText(t, negative, ip, fp);
  while (fp.size() < 4)
    fp += '0';
  // The negative range reaches one step further than the positive one.
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t v = 0;
  for (char c : ip + fp) {
    const auto digit = static_cast<uint64_t>(c - '0');
    if (v > (limit - digit) / 10) BadNumber(text);
    v = v * 10 + digit;
  }
  return negative ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
}

double FmtBcdToDouble(std::string_view bcd) {
  return std::strtod(FmtBcdToDecimalText(bcd).c_str(), nullptr);
}

}  // namespace qualtren
