// The variant value type: null, text, integer, double, boolean or date-time,
// with the conversions between them that the dataset layer needs.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "base/datetime.h"

namespace qualtren {

class Variant {
 public:
  enum class Kind { Null, Text, Integer, Double, Boolean, DateTime };

  Variant() = default;
  static Variant Text(std::string v) { return Variant(Kind::Text, std::move(v)); }
  static Variant Integer(int64_t v) { return Variant(Kind::Integer, v); }
  static Variant Double(double v) { return Variant(Kind::Double, v); }
  static Variant Boolean(bool v) { return Variant(Kind::Boolean, v); }
  static Variant DateTime(TDateTime v) { return Variant(Kind::DateTime, v); }

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  bool IsText() const { return kind_ == Kind::Text; }
  bool IsNumeric() const { return kind_ == Kind::Integer || kind_ == Kind::Double; }

  // Direct access; the kind must match.
  const std::string& TextRef() const { return std::get<std::string>(value_); }
  std::string& TextRef() { return std::get<std::string>(value_); }

  // Conversions in the manner of the platform's variants; a conversion
  // without meaning raises EVariantError.
  std::string ToString() const;  // null gives the empty text
  int64_t ToInt64() const;
  double ToDouble() const;
  bool ToBool() const;
  TDateTime ToDateTime() const;

  static const char* KindName(Kind k);

 private:
  // The value as a number for a conversion to the kind named `to`: numbers
  // and date-times as they are, booleans as -1 and 0, a text read as a
  // number; EVariantError for null and for a text that is no number.
  double NumberFor(const char* to) const;

  template <typename T>
  Variant(Kind k, T v) : kind_(k), value_(std::move(v)) {}

  Kind kind_ = Kind::Null;
  std::variant<std::monostate, std::string, int64_t, double, bool> value_;
};

}  // namespace qualtren
