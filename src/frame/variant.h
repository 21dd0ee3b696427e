// The one value type the callers pass around, and every conversion rule between its kinds.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "frame/text.h"

namespace kvpw {

class Object;
class Variant;
using ObjectRef = std::shared_ptr<Object>;

struct NullValue {
  bool operator==(const NullValue&) const = default;
};
inline constexpr NullValue kNull{};

// An array of variants with lower bound 0. An undimensioned array has no elements and no bounds.
struct Array {
  std::shared_ptr<const std::vector<Variant>> items;
  bool dimensioned() const { return items != nullptr; }
  bool operator==(const Array& other) const;
};

enum class VarType { kEmpty, kNull, kBoolean, kInteger, kLong, kDouble, kText, kObject, kArray };

class Variant {
 public:
  Variant() = default;
  Variant(NullValue) : value_(kNull) {}
  Variant(bool b) : value_(b) {}
  Variant(int16_t i) : value_(i) {}
  Variant(int32_t l) : value_(l) {}
  Variant(double d) : value_(d) {}
  Variant(Text t) : value_(std::move(t)) {}
  Variant(TextView t) : value_(Text(t)) {}
  Variant(const char16_t* t) : value_(Text(t)) {}
  Variant(ObjectRef o) : value_(std::move(o)) {}
  Variant(Array a) : value_(std::move(a)) {}
  static Variant MakeArray(std::vector<Variant> items);

  VarType type() const { return static_cast<VarType>(value_.index()); }
  bool is_empty() const { return type() == VarType::kEmpty; }
  bool is_null() const { return type() == VarType::kNull; }
  bool is_text() const { return type() == VarType::kText; }
  bool is_object() const { return type() == VarType::kObject; }
  bool is_array() const { return type() == VarType::kArray; }
  bool is_number() const;

  // Direct access; the kind must match (checked by the caller with type()).
  bool boolean() const { return std::get<bool>(value_); }
  int16_t integer() const { return std::get<int16_t>(value_); }
  int32_t long_value() const { return std::get<int32_t>(value_); }
  double double_value() const { return std::get<double>(value_); }
  const Text& text() const { return std::get<Text>(value_); }
  const ObjectRef& object() const { return std::get<ObjectRef>(value_); }
  const Array& array() const { return std::get<Array>(value_); }
  // Makes the value a text and gives it to be written; a text value keeps its buffer, so that
  // a reader filling one value row after row does not allocate for each.
  Text& set_text() {
    if (!is_text()) value_.emplace<Text>();
    return std::get<Text>(value_);
  }

  // Same kind and same value (no conversion); objects compare by identity.
  bool operator==(const Variant& other) const = default;

 private:
  std::variant<std::monostate, NullValue, bool, int16_t, int32_t, double, Text, ObjectRef, Array>
      value_;
};

// The ordinary conversions of the callers' macro language.
// To text: numbers in their shortest round decimal form (15 significant digits), flags as
// "True"/"False", Empty as "", Null is error 94, arrays are error 13, objects give their default
// member's value.
Text ToText(const Variant& v);
// To numbers: texts must hold a number (error 13 otherwise), Null is error 94, Empty is 0,
// True is -1. Integer conversions round halves to even and raise error 6 past their range.
double ToDouble(const Variant& v);
int16_t ToInteger(const Variant& v);
int32_t ToLong(const Variant& v);
bool ToBoolean(const Variant& v);

// Halves to the even neighbour; error 6 outside the target range (and for NaN).
int16_t RoundToInteger(double d);
int32_t RoundToLong(double d);

// A count or position the callers keep in 16 bits; error 6 past 32767.
int16_t Count16(size_t n);

// The 15-significant-digit decimal form of a number ("0.1", "1E+20", "-2.5E-07").
Text NumberText(double d);

// The leading-number reading: blanks, tabs and line feeds anywhere are ignored; the longest
// leading decimal number (sign, digits, fraction, exponent E or D) is taken; "&H" and "&O" read
// hexadecimal and octal instead (four hex digits fit a 16-bit value, as their literals do); no
// number gives 0.
double Val(TextView text);

// A text the conversions accept as a whole number, or nothing: blanks around it, a sign,
// digits with optional "," grouping, a fraction, an exponent, or &H/&O digits.
bool ParseNumber(TextView text, double& out);

}  // namespace kvpw
