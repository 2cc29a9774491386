#pragma once
// core::Value: the one dynamic value of the application. Server replies, property lists, user
// defaults, the session dictionaries and every dictionary or array the app passes around are Values.
//
// Arrays and dictionaries have reference semantics, like mutable collections: copying a Value (or an
// Array / Dictionary handle) shares the container, so a change made through one copy is seen by all.
// deepCopy() makes new containers all the way down. Dictionaries keep insertion order.
// Booleans stay distinct from the integers 0 and 1.
//
// Two "empty" states exist: Nil (no value at all: a missing key, a failed parse) and Null (an explicit
// null object, such as JSON null). describe() prints them as "(null)" and "<null>".
//
// Values are not thread-safe; hand a deepCopy() to another thread or guard the container.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/core/Date.h"

namespace core {

class Value;
using Bytes = std::vector<std::uint8_t>;

// An exact decimal number: (negative ? -1 : 1) * mantissa * 10^exponent. Mantissas of up to 38 digits
// fit. Used for numbers a JSON text writes with a fraction, an exponent or beyond 64 bits.
struct Decimal {
  unsigned __int128 mantissa = 0;
  std::int32_t exponent = 0;
  bool negative = false;

  // Parses "-12.50", "1e-3", "123456789012345678901234567890"; nullopt for anything else or
  // a mantissa of more than 38 significant digits.
  static std::optional<Decimal> parse(std::string_view text);
  std::string toString() const;  // shortest plain text: "12.5", "0.001", "1e+40" style for huge exponents
  double toDouble() const;
  friend bool operator==(const Decimal& a, const Decimal& b);  // numeric equality (1.50 == 1.5)
};

// Shared handle to an ordered list of Values.
class Array {
 public:
  Array();  // a new empty array
  Array(std::initializer_list<Value> items);

  std::size_t size() const;
  bool empty() const;
  Value at(std::size_t i) const;  // Nil when out of range
  Value operator[](std::size_t i) const;
  void set(std::size_t i, Value v);  // ignored when out of range
  void push_back(Value v);
  void insert(std::size_t i, Value v);  // i == size() appends
  void erase(std::size_t i);
  void clear();
  bool contains(const Value& v) const;  // deep equality
  std::optional<std::size_t> indexOf(const Value& v) const;

  std::vector<Value>& items();  // the shared storage itself
  const std::vector<Value>& items() const;
  std::vector<Value>::iterator begin();
  std::vector<Value>::iterator end();
  std::vector<Value>::const_iterator begin() const;
  std::vector<Value>::const_iterator end() const;

  bool sameAs(const Array& other) const { return items_ == other.items_; }

 private:
  std::shared_ptr<std::vector<Value>> items_;
};

// Shared handle to an ordered dictionary with string keys. Setting an existing key keeps its place.
class Dictionary {
 public:
  using Entry = std::pair<std::string, Value>;
  Dictionary();  // a new empty dictionary
  Dictionary(std::initializer_list<Entry> entries);

  std::size_t size() const;
  bool empty() const;
  void reserve(std::size_t n);  // room for n entries (keys are still added one by one with set())
  bool contains(std::string_view key) const;
  Value get(std::string_view key) const;         // Nil when missing
  Value operator[](std::string_view key) const;  // same as get()
  void set(std::string key, Value v);            // setting Nil removes the key
  void remove(std::string_view key);
  void clear();
  std::vector<std::string> keys() const;  // in insertion order

  const std::vector<Entry>& entries() const;
  std::vector<Entry>::const_iterator begin() const;
  std::vector<Entry>::const_iterator end() const;

  bool sameAs(const Dictionary& other) const { return store_ == other.store_; }

 private:
  struct Store;
  std::shared_ptr<Store> store_;
};

class Value {
 public:
  enum class Type { Nil, Null, Bool, Integer, Decimal, Double, String, Data, Date, Array, Dictionary };

  Value() = default;  // Nil
  static Value null();
  Value(bool b) : v_(b) {}
  template <class I, std::enable_if_t<std::is_integral_v<I> && !std::is_same_v<I, bool>, int> = 0>
  Value(I i) : v_(static_cast<std::int64_t>(i)) {}
  Value(double d) : v_(d) {}
  Value(const char* s) : v_(std::string(s ? s : "")) {}
  Value(std::string s) : v_(std::move(s)) {}
  Value(std::string_view s) : v_(std::string(s)) {}
  Value(core::Decimal d) : v_(d) {}
  Value(Bytes d) : v_(std::move(d)) {}
  Value(core::Date d) : v_(d) {}
  Value(core::Array a) : v_(std::move(a)) {}
  Value(core::Dictionary d) : v_(std::move(d)) {}

  // A new empty array / dictionary. (The array factory cannot be called array(): that name is the
  // accessor below, and C++ does not overload a static and a non-static member on the same arguments.)
  static Value newArray() { return Value(core::Array()); }
  static Value newDictionary() { return Value(core::Dictionary()); }
  static Value dictionary() { return Value(core::Dictionary()); }  // same as newDictionary()

  Type type() const;
  // The name of a kind, as error texts give it: "Nil", "Null", "Bool", ... "Dictionary".
  static const char* typeName(Type type);
  bool isNil() const { return type() == Type::Nil; }
  bool isNull() const { return type() == Type::Null; }
  bool isNilOrNull() const { return isNil() || isNull(); }
  bool isBool() const { return type() == Type::Bool; }
  bool isInteger() const { return type() == Type::Integer; }
  bool isDecimal() const { return type() == Type::Decimal; }
  bool isDouble() const { return type() == Type::Double; }
  bool isNumber() const;  // integer, decimal or double (not bool)
  bool isString() const { return type() == Type::String; }
  bool isData() const { return type() == Type::Data; }
  bool isDate() const { return type() == Type::Date; }
  bool isArray() const { return type() == Type::Array; }
  bool isDictionary() const { return type() == Type::Dictionary; }

  // Conversions in the manner of boolValue / integerValue / doubleValue / description: numbers and
  // booleans convert among themselves; a string converts by its leading number ("12abc" -> 12,
  // "YES"/"true"/"y"/"t" or a non-zero number -> true); anything else gives the fallback.
  bool toBool(bool fallback = false) const;
  std::int64_t toInt(std::int64_t fallback = 0) const;
  double toDouble(double fallback = 0) const;
  // The string itself for a string; a number's text for numbers ("1", "2.5"); "" otherwise.
  std::string toString() const;

  // Typed access; the empty string / bytes / default when the type differs.
  const std::string& str() const;
  const Bytes& data() const;
  core::Date date() const;
  core::Decimal decimal() const;
  bool boolean() const;          // exactly a Bool's value; false for other types
  std::int64_t integer() const;  // exactly an Integer's value; 0 for other types
  // The shared container; a new, detached empty one when the type differs.
  core::Array array() const;
  core::Dictionary dict() const;

  // Container sugar. Reads on the wrong type give Nil / 0; writes on the wrong type do nothing.
  Value operator[](std::string_view key) const;
  Value operator[](const char* key) const { return (*this)[std::string_view(key)]; }
  Value operator[](std::size_t i) const;
  Value operator[](int i) const { return i < 0 ? Value() : (*this)[static_cast<std::size_t>(i)]; }
  bool contains(std::string_view key) const;
  void set(std::string key, Value v);
  void remove(std::string_view key);
  void push_back(Value v);
  std::size_t size() const;  // elements, entries, string bytes or data bytes; 0 otherwise

  Value deepCopy() const;
  // The "%@" text of the value: "(null)", "<null>", "1", "0" for booleans, "2.5", the string itself,
  // "<0a1b>" for data, and the property-list-like "(\n    a,\n    b\n)" / "{\n    k = v;\n}" for containers.
  std::string describe() const;

  // Deep equality (isEqual:). Numbers compare by value across integer, decimal and double;
  // booleans equal only booleans.
  friend bool operator==(const Value& a, const Value& b);
  friend bool operator!=(const Value& a, const Value& b) { return !(a == b); }
  // Identity: the same container (or equal scalars).
  bool sameAs(const Value& other) const;

 private:
  struct NullTag {
    friend bool operator==(NullTag, NullTag) { return true; }
  };
  std::variant<std::monostate, NullTag, bool, std::int64_t, core::Decimal, double, std::string, Bytes,
               core::Date, core::Array, core::Dictionary>
      v_;
};

inline Value Dictionary::operator[](std::string_view key) const { return get(key); }

}  // namespace core
