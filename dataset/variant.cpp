// Conversions of variant values.
#include "dataset/variant.h"

#include <cmath>
#include <iterator>
#include <limits>

#include "base/codepage.h"
#include "base/exception.h"
#include "base/format.h"

namespace qualtren {

namespace {
[[noreturn]] void CannotConvert(Variant::Kind from, const char* to) {
  throw EVariantError(Format("Could not convert variant of type (%s) into type (%s)",
                             {Variant::KindName(from), to}));
}
}  // namespace

const char* Variant::KindName(Kind k) {
  static constexpr const char* kNames[] = {"Null", "String", "Int64", "Double", "Boolean", "Date"};
  const auto i = static_cast<size_t>(k);
  return i < std::size(kNames) ? kNames[i] : "Unknown";
}

std::string Variant::ToString() const {
  switch (kind_) {
    case Kind::Null:
      return {};
    case Kind::Text:
      return TextRef();
    case Kind::Integer:
      return std::to_string(std::get<int64_t>(value_));
    case Kind::Double:
      return FloatToStr(std::get<double>(value_));
    case Kind::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case Kind::DateTime:
      return DateTimeToStr(std::get<double>(value_));
  }
  return {};
}

double Variant::NumberFor(const char* to) const {
  switch (kind_) {
    case Kind::Integer:
      return static_cast<double>(std::get<int64_t>(value_));
    case Kind::Double:
    case Kind::DateTime:
      return std::get<double>(value_);
    case Kind::Boolean:
      return std::get<bool>(value_) ? -1.0 : 0.0;
    case Kind::Text: {
      double d;
      if (!TryStrToFloat(TextRef(), d, FormatSettings().DecimalSeparator)) CannotConvert(kind_, to);
      return d;
    }
    case Kind::Null:
      CannotConvert(kind_, to);
  }
  return 0;
}

int64_t Variant::ToInt64() const {
  if (kind_ == Kind::Integer) return std::get<int64_t>(value_);
  const double d = NumberFor("Int64");
  if (!std::isfinite(d) || std::fabs(d) > 9.2e18) CannotConvert(kind_, "Int64");
  return static_cast<int64_t>(std::llround(d));
}

double Variant::ToDouble() const {
  return NumberFor("Double");
}

bool Variant::ToBool() const {
  switch (kind_) {
    case Kind::Boolean:
      return std::get<bool>(value_);
    case Kind::Integer:
      return std::get<int64_t>(value_) != 0;
    case Kind::Double:
    case Kind::DateTime:
      return std::get<double>(value_) != 0;
    case Kind::Text: {
      const std::string& t = TextRef();
      std::string up = AnsiUpperCase(t);
      if (up == "TRUE") return true;
      if (up == "FALSE") return false;
      double d;
      if (TryStrToFloat(t, d, FormatSettings().DecimalSeparator)) return d != 0;
      CannotConvert(kind_, "Boolean");
    }
    case Kind::Null:
      CannotConvert(kind_, "Boolean");
  }
  return false;
}

TDateTime Variant::ToDateTime() const {
  switch (kind_) {
    case Kind::DateTime:
    case Kind::Double:
      return std::get<double>(value_);
    case Kind::Integer:
      return static_cast<double>(std::get<int64_t>(value_));
    case Kind::Text: {
      double d;
      if (TryStrToDateTime(TextRef(), d)) return d;
      CannotConvert(kind_, "Date");
    }
    case Kind::Boolean:
    case Kind::Null:
      CannotConvert(kind_, "Date");
  }
  return 0;
}

}  // namespace qualtren
