// Decimal values: the 34-byte packed decimal record of FmtBCD fields and the
// ten-thousandths (currency) form of BCD fields, with text conversions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qualtren {

constexpr size_t kFmtBcdSize = 34;

// Byte 0 the digit count, byte 1 the sign (top bit) and the decimal places
// (low six bits), bytes 2..33 the digits, two per byte, high nibble first.
std::string DecimalTextToFmtBcd(std::string_view text, int precision, int scale);  // EConvertError
std::string FmtBcdToDecimalText(std::string_view bcd);                             // "." as point
bool TryParseDecimalText(std::string_view text, bool& negative, std::string& intDigits,
                         std::string& fracDigits);
std::string CurrencyToDecimalText(int64_t tenThousandths);
int64_t DecimalTextToCurrency(std::string_view text);  // EConvertError
double FmtBcdToDouble(std::string_view bcd);

}  // namespace qualtren
