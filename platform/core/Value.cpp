#include "platform/core/Value.h"

#include "platform/core/Text.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>
#include <map>
#include <unordered_map>

namespace core {

// ---------------------------------------------------------------------------------------------------
// Date

Date Date::now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return {static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9};
}

// ---------------------------------------------------------------------------------------------------
// Decimal

namespace {

using u128 = unsigned __int128;
constexpr int kMaxDigits = 38;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Strips trailing zeros of the mantissa into the exponent, so equal numbers have one form.
Decimal normalized(Decimal d) {
  if (d.mantissa == 0) return Decimal{0, 0, false};
  while (d.mantissa % 10 == 0) {
    d.mantissa /= 10;
    ++d.exponent;
  }
  return d;
}

std::string digitsOf(u128 m) {
  if (m == 0) return "0";
  std::string s;
  while (m != 0) {
    s.push_back(static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  }
  return std::string(s.rbegin(), s.rend());
}

// Shortest text that reads back as the same double, in the "%g" shape ("2.5", "3", "1e+20").
std::string formatDouble(double d) {
  if (std::isnan(d)) return "nan";
  if (std::isinf(d)) return d < 0 ? "-inf" : "inf";
  char buf[64];
  for (int precision = 1; precision <= 17; ++precision) {
    auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, precision);
    double back = 0;
    std::from_chars(buf, r.ptr, back);
    if (back == d || precision == 17) return std::string(buf, r.ptr);
  }
  return "0";
}

// Saturating conversion of a double to int64 (truncating toward zero; NaN gives 0).
std::int64_t clampToInt(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
  if (d <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(d);
}

std::int64_t decimalToInt(const Decimal& dec) {
  Decimal d = normalized(dec);
  u128 m = d.mantissa;
  const u128 limit = static_cast<u128>(std::numeric_limits<std::int64_t>::max()) + 1;  // 2^63
  if (d.exponent >= 0) {
    for (int i = 0; i < d.exponent && m <= limit; ++i) m *= 10;
  } else {
    for (int i = 0; i < -d.exponent && m != 0; ++i) m /= 10;
  }
  if (d.negative) {
    if (m >= limit) return std::numeric_limits<std::int64_t>::min();
    return -static_cast<std::int64_t>(m);
  }
  if (m >= limit) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(m);
}

Decimal decimalFromInt(std::int64_t i) {
  Decimal d;
  d.negative = i < 0;
  d.mantissa = i < 0 ? static_cast<u128>(-(i + 1)) + 1 : static_cast<u128>(i);
  return d;
}

}  // namespace

std::optional<Decimal> Decimal::parse(std::string_view text) {
  std::size_t i = 0;
  Decimal d;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) d.negative = text[i++] == '-';
  int significant = 0;
  bool anyDigit = false;
  std::int64_t exponent = 0;
  auto addDigit = [&](char c, bool fraction) -> bool {
    anyDigit = true;
    unsigned digit = static_cast<unsigned>(c - '0');
    if (fraction) --exponent;
    if (d.mantissa == 0 && digit == 0) return true;  // leading zero
    if (significant < kMaxDigits) {
      d.mantissa = d.mantissa * 10 + digit;
      ++significant;
      return true;
    }
    if (digit != 0) return false;  // more precision than fits
    if (fraction) {
      ++exponent;  // a trailing fractional zero adds nothing
    } else {
      ++exponent;  // an integer zero beyond the mantissa scales it
    }
    return true;
  };
  while (i < text.size() && isDigit(text[i])) {
    if (!addDigit(text[i++], false)) return std::nullopt;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) {
      if (!addDigit(text[i++], true)) return std::nullopt;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negExp = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negExp = text[i++] == '-';
    if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
    std::int64_t e = 0;
    while (i < text.size() && isDigit(text[i])) {
      e = e * 10 + (text[i++] - '0');
      if (e > 1000000000) return std::nullopt;
    }
    exponent += negExp ? -e : e;
  }
  if (i != text.size()) return std::nullopt;
  if (d.mantissa == 0) return Decimal{0, 0, d.negative};
  if (exponent > std::numeric_limits<std::int32_t>::max() / 2 ||
      exponent < std::numeric_limits<std::int32_t>::min() / 2)
    return std::nullopt;
  d.exponent = static_cast<std::int32_t>(exponent);
  return d;
}

std::string Decimal::toString() const {
  Decimal d = normalized(*this);
  if (d.mantissa == 0) return "0";
  std::string digits = digitsOf(d.mantissa);
  const std::int64_t n = static_cast<std::int64_t>(digits.size());
  const std::int64_t e = d.exponent;
  std::string out = d.negative ? "-" : "";
  if (e >= 0 && n + e <= kMaxDigits) {
    out += digits;
    out.append(static_cast<std::size_t>(e), '0');
    return out;
  }
  if (e < 0 && -e <= kMaxDigits) {
    const std::int64_t k = -e;
    if (k < n) {
      out += digits.substr(0, static_cast<std::size_t>(n - k));
      out += '.';
      out += digits.substr(static_cast<std::size_t>(n - k));
    } else {
      out += "0.";
      out.append(static_cast<std::size_t>(k - n), '0');
      out += digits;
    }
    return out;
  }
  const std::int64_t sci = e + n - 1;
  out += digits[0];
  if (n > 1) {
    out += '.';
    out += digits.substr(1);
  }
  out += sci >= 0 ? "e+" : "e-";
  out += std::to_string(sci >= 0 ? sci : -sci);
  return out;
}

double Decimal::toDouble() const {
  Decimal d = normalized(*this);
  if (d.mantissa == 0) return d.negative ? -0.0 : 0.0;
  std::string digits = digitsOf(d.mantissa);
  std::string text = digits + "e" + std::to_string(d.exponent);
  double v = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec == std::errc::result_out_of_range) {
    std::int64_t magnitude = static_cast<std::int64_t>(digits.size()) + d.exponent;
    v = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return d.negative ? -v : v;
}

bool operator==(const Decimal& a, const Decimal& b) {
  Decimal x = normalized(a), y = normalized(b);
  if (x.mantissa == 0 && y.mantissa == 0) return true;
  return x.negative == y.negative && x.mantissa == y.mantissa && x.exponent == y.exponent;
}

// ---------------------------------------------------------------------------------------------------
// Array

Array::Array() : items_(std::make_shared<std::vector<Value>>()) {}
Array::Array(std::initializer_list<Value> items) : items_(std::make_shared<std::vector<Value>>(items)) {}

std::size_t Array::size() const { return items_->size(); }
bool Array::empty() const { return items_->empty(); }
Value Array::at(std::size_t i) const { return i < items_->size() ? (*items_)[i] : Value(); }
Value Array::operator[](std::size_t i) const { return at(i); }
void Array::set(std::size_t i, Value v) {
  if (i < items_->size()) (*items_)[i] = std::move(v);
}
void Array::push_back(Value v) { items_->push_back(std::move(v)); }
void Array::insert(std::size_t i, Value v) {
  if (i <= items_->size()) items_->insert(items_->begin() + static_cast<std::ptrdiff_t>(i), std::move(v));
}
void Array::erase(std::size_t i) {
  if (i < items_->size()) items_->erase(items_->begin() + static_cast<std::ptrdiff_t>(i));
}
void Array::clear() { items_->clear(); }
bool Array::contains(const Value& v) const { return indexOf(v).has_value(); }
std::optional<std::size_t> Array::indexOf(const Value& v) const {
  for (std::size_t i = 0; i < items_->size(); ++i) {
    if ((*items_)[i] == v) return i;
  }
  return std::nullopt;
}
std::vector<Value>& Array::items() { return *items_; }
const std::vector<Value>& Array::items() const { return *items_; }
std::vector<Value>::iterator Array::begin() { return items_->begin(); }
std::vector<Value>::iterator Array::end() { return items_->end(); }
std::vector<Value>::const_iterator Array::begin() const { return items_->cbegin(); }
std::vector<Value>::const_iterator Array::end() const { return items_->cend(); }

// ---------------------------------------------------------------------------------------------------
// Dictionary: entries in insertion order. A small dictionary (the records of a server reply, a row of
// a table) finds a key by looking along its entries, which is faster than any index at that size and
// costs no allocation; from kIndexedSize entries on, a key -> position index is kept as well.

struct Dictionary::Store {
  static constexpr std::size_t kIndexedSize = 16;

  std::vector<Entry> entries;
  std::unique_ptr<std::unordered_map<std::string_view, std::size_t>> index;  // views of entries' keys

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  std::size_t find(std::string_view key) const {
    if (index) {
      auto it = index->find(key);
      return it == index->end() ? npos : it->second;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::string& k = entries[i].first;
      if (k.size() == key.size() && (key.empty() || (k[0] == key[0] && k == key))) return i;
    }
    return npos;
  }
  // The index holds views of the keys, which move with the entries: it is rebuilt whenever the
  // entries move (growth of the vector, removal).
  void rebuildIndex() {
    if (entries.size() < kIndexedSize) {
      index.reset();
      return;
    }
    if (!index) index = std::make_unique<std::unordered_map<std::string_view, std::size_t>>();
    index->clear();
    index->reserve(entries.capacity());
    for (std::size_t i = 0; i < entries.size(); ++i) index->emplace(entries[i].first, i);
  }
  void append(std::string&& key, Value&& v) {
    const bool moves = entries.size() == entries.capacity();
    entries.emplace_back(std::move(key), std::move(v));
    if (moves || (!index && entries.size() >= kIndexedSize)) {
      rebuildIndex();
    } else if (index) {
      index->emplace(entries.back().first, entries.size() - 1);
    }
  }
};

Dictionary::Dictionary() : store_(std::make_shared<Store>()) {}
Dictionary::Dictionary(std::initializer_list<Entry> entries) : store_(std::make_shared<Store>()) {
  store_->entries.reserve(entries.size());
  for (const auto& e : entries) set(e.first, e.second);
}

std::size_t Dictionary::size() const { return store_->entries.size(); }
bool Dictionary::empty() const { return store_->entries.empty(); }
void Dictionary::reserve(std::size_t n) {
  if (n <= store_->entries.capacity()) return;
  store_->entries.reserve(n);
  store_->rebuildIndex();
}
bool Dictionary::contains(std::string_view key) const { return store_->find(key) != Store::npos; }
Value Dictionary::get(std::string_view key) const {
  const std::size_t pos = store_->find(key);
  return pos == Store::npos ? Value() : store_->entries[pos].second;
}
void Dictionary::set(std::string key, Value v) {
  if (v.isNil()) {
    remove(key);
    return;
  }
  const std::size_t pos = store_->find(key);
  if (pos != Store::npos) {
    store_->entries[pos].second = std::move(v);
    return;
  }
  store_->append(std::move(key), std::move(v));
}
void Dictionary::remove(std::string_view key) {
  const std::size_t pos = store_->find(key);
  if (pos == Store::npos) return;
  // Keep the removed entry alive until the store is consistent again: its destructor may release
  // containers that refer back to this one.
  Entry removed = std::move(store_->entries[pos]);
  store_->entries.erase(store_->entries.begin() + static_cast<std::ptrdiff_t>(pos));
  store_->rebuildIndex();
}
void Dictionary::clear() {
  std::vector<Entry> old;
  old.swap(store_->entries);
  store_->index.reset();
}
std::vector<std::string> Dictionary::keys() const {
  std::vector<std::string> out;
  out.reserve(store_->entries.size());
  for (const auto& e : store_->entries) out.push_back(e.first);
  return out;
}
const std::vector<Dictionary::Entry>& Dictionary::entries() const { return store_->entries; }
std::vector<Dictionary::Entry>::const_iterator Dictionary::begin() const { return store_->entries.cbegin(); }
std::vector<Dictionary::Entry>::const_iterator Dictionary::end() const { return store_->entries.cend(); }

// ---------------------------------------------------------------------------------------------------
// Value

Value Value::null() {
  Value v;
  v.v_ = NullTag{};
  return v;
}

const char* Value::typeName(Type type) {
  switch (type) {
    case Type::Nil:
      return "Nil";
    case Type::Null:
      return "Null";
    case Type::Bool:
      return "Bool";
    case Type::Integer:
      return "Integer";
    case Type::Decimal:
      return "Decimal";
    case Type::Double:
      return "Double";
    case Type::String:
      return "String";
    case Type::Data:
      return "Data";
    case Type::Date:
      return "Date";
    case Type::Array:
      return "Array";
    case Type::Dictionary:
      return "Dictionary";
  }
  return "Unknown";
}

Value::Type Value::type() const {
  switch (v_.index()) {
    case 0:
      return Type::Nil;
    case 1:
      return Type::Null;
    case 2:
      return Type::Bool;
    case 3:
      return Type::Integer;
    case 4:
      return Type::Decimal;
    case 5:
      return Type::Double;
    case 6:
      return Type::String;
    case 7:
      return Type::Data;
    case 8:
      return Type::Date;
    case 9:
      return Type::Array;
    default:
      return Type::Dictionary;
  }
}

bool Value::isNumber() const { return isInteger() || isDecimal() || isDouble(); }

bool Value::toBool(bool fallback) const {
  switch (type()) {
    case Type::Bool:
      return std::get<bool>(v_);
    case Type::Integer:
      return std::get<std::int64_t>(v_) != 0;
    case Type::Decimal:
      return std::get<Decimal>(v_).mantissa != 0;
    case Type::Double:
      return std::get<double>(v_) != 0;
    case Type::String:
      return boolValue(std::get<std::string>(v_));
    default:
      return fallback;
  }
}

std::int64_t Value::toInt(std::int64_t fallback) const {
  switch (type()) {
    case Type::Bool:
      return std::get<bool>(v_) ? 1 : 0;
    case Type::Integer:
      return std::get<std::int64_t>(v_);
    case Type::Decimal:
      return decimalToInt(std::get<Decimal>(v_));
    case Type::Double:
      return clampToInt(std::get<double>(v_));
    case Type::String:
      return integerValue(std::get<std::string>(v_));
    default:
      return fallback;
  }
}

double Value::toDouble(double fallback) const {
  switch (type()) {
    case Type::Bool:
      return std::get<bool>(v_) ? 1 : 0;
    case Type::Integer:
      return static_cast<double>(std::get<std::int64_t>(v_));
    case Type::Decimal:
      return std::get<Decimal>(v_).toDouble();
    case Type::Double:
      return std::get<double>(v_);
    case Type::String:
      return doubleValue(std::get<std::string>(v_));
    default:
      return fallback;
  }
}

std::string Value::toString() const {
  switch (type()) {
    case Type::String:
      return std::get<std::string>(v_);
    case Type::Bool:
      return std::get<bool>(v_) ? "1" : "0";
    case Type::Integer:
      return std::to_string(std::get<std::int64_t>(v_));
    case Type::Decimal:
      return std::get<Decimal>(v_).toString();
    case Type::Double:
      return formatDouble(std::get<double>(v_));
    default:
      return "";
  }
}

const std::string& Value::str() const {
  static const std::string empty;
  auto* p = std::get_if<std::string>(&v_);
  return p ? *p : empty;
}
const Bytes& Value::data() const {
  static const Bytes empty;
  auto* p = std::get_if<Bytes>(&v_);
  return p ? *p : empty;
}
Date Value::date() const {
  auto* p = std::get_if<Date>(&v_);
  return p ? *p : Date{};
}
Decimal Value::decimal() const {
  auto* p = std::get_if<Decimal>(&v_);
  return p ? *p : Decimal{};
}
bool Value::boolean() const {
  auto* p = std::get_if<bool>(&v_);
  return p ? *p : false;
}
std::int64_t Value::integer() const {
  auto* p = std::get_if<std::int64_t>(&v_);
  return p ? *p : 0;
}
Array Value::array() const {
  auto* p = std::get_if<Array>(&v_);
  return p ? *p : Array();
}
Dictionary Value::dict() const {
  auto* p = std::get_if<Dictionary>(&v_);
  return p ? *p : Dictionary();
}

Value Value::operator[](std::string_view key) const {
  auto* p = std::get_if<Dictionary>(&v_);
  return p ? p->get(key) : Value();
}
Value Value::operator[](std::size_t i) const {
  auto* p = std::get_if<Array>(&v_);
  return p ? p->at(i) : Value();
}
bool Value::contains(std::string_view key) const {
  auto* p = std::get_if<Dictionary>(&v_);
  return p && p->contains(key);
}
void Value::set(std::string key, Value v) {
  if (auto* p = std::get_if<Dictionary>(&v_)) p->set(std::move(key), std::move(v));
}
void Value::remove(std::string_view key) {
  if (auto* p = std::get_if<Dictionary>(&v_)) p->remove(key);
}
void Value::push_back(Value v) {
  if (auto* p = std::get_if<Array>(&v_)) p->push_back(std::move(v));
}
std::size_t Value::size() const {
  switch (type()) {
    case Type::Array:
      return std::get<Array>(v_).size();
    case Type::Dictionary:
      return std::get<Dictionary>(v_).size();
    case Type::String:
      return std::get<std::string>(v_).size();
    case Type::Data:
      return std::get<Bytes>(v_).size();
    default:
      return 0;
  }
}

namespace {

// Containers on the current copy path, so a container that holds itself is copied as a cycle
// instead of recursing for ever.
using CopyPath = std::unordered_map<const void*, Value>;

Value deepCopyOf(const Value& v, CopyPath& path) {
  if (v.isArray()) {
    Array src = v.array();
    const void* key = &src.items();
    if (auto it = path.find(key); it != path.end()) return it->second;
    Array out;
    path.emplace(key, Value(out));
    for (const auto& item : src) out.push_back(deepCopyOf(item, path));
    path.erase(key);
    return Value(out);
  }
  if (v.isDictionary()) {
    Dictionary src = v.dict();
    const void* key = &src.entries();
    if (auto it = path.find(key); it != path.end()) return it->second;
    Dictionary out;
    path.emplace(key, Value(out));
    for (const auto& [k, item] : src) out.set(k, deepCopyOf(item, path));
    path.erase(key);
    return Value(out);
  }
  return v;
}

constexpr int kMaxDepth = 512;  // deeper nesting (or a cycle) is not walked further

std::string indentOf(int level) { return std::string(static_cast<std::size_t>(level) * 4, ' '); }

void appendHexByte(std::string& out, unsigned b) {
  static const char* hex = "0123456789abcdef";
  out += hex[(b >> 4) & 0xf];
  out += hex[b & 0xf];
}

// A string inside a container description: bare when it is a simple word, else quoted with escapes
// and characters outside ASCII written as \Uxxxx (UTF-16 units), the way the collections print them.
std::string quotedForDescription(std::string_view s) {
  bool bare = !s.empty();
  for (char c : s) {
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_' || c == '$' ||
          c == '.' || c == '/' || c == ':' || c == '-')) {
      bare = false;
      break;
    }
  }
  if (bare) return std::string(s);
  std::string out = "\"";
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = nextCodePoint(s, i);
    auto u16 = [&](unsigned unit) {
      out += "\\U";
      appendHexByte(out, unit >> 8);
      appendHexByte(out, unit & 0xff);
    };
    if (cp == '"') {
      out += "\\\"";
    } else if (cp == '\\') {
      out += "\\\\";
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\t') {
      out += "\\t";
    } else if (cp == '\r') {
      out += "\\r";
    } else if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x10000) {
      u16(static_cast<unsigned>(cp));
    } else {
      char32_t v = cp - 0x10000;
      u16(0xD800 + static_cast<unsigned>(v >> 10));
      u16(0xDC00 + static_cast<unsigned>(v & 0x3ff));
    }
  }
  out += '"';
  return out;
}

std::string describeDate(const Date& d) {
  std::time_t t = static_cast<std::time_t>(std::floor(d.secondsSince1970));
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S +0000", &tm);
  return buf;
}

std::string describeData(const Bytes& b) {
  std::string out = "<";
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    appendHexByte(out, b[i]);
  }
  out += '>';
  return out;
}

std::string describeAt(const Value& v, int level, bool nested);

std::string describeScalarInContainer(const Value& v) {
  if (v.isString()) return quotedForDescription(v.str());
  if (v.isDate()) return quotedForDescription(describeDate(v.date()));
  return describeAt(v, 0, false);
}

std::string describeAt(const Value& v, int level, bool nested) {
  switch (v.type()) {
    case Value::Type::Nil:
      return "(null)";
    case Value::Type::Null:
      return "<null>";
    case Value::Type::String:
      return v.str();
    case Value::Type::Data:
      return describeData(v.data());
    case Value::Type::Date:
      return describeDate(v.date());
    case Value::Type::Array: {
      if (level > kMaxDepth) return "(...)";
      std::string out = nested ? indentOf(level) : "";
      out += "(\n";
      const Array a = v.array();
      for (std::size_t i = 0; i < a.size(); ++i) {
        const Value& item = a.items()[i];
        out += indentOf(level + 1);
        out += (item.isArray() || item.isDictionary()) ? describeAt(item, level + 1, true)
                                                       : describeScalarInContainer(item);
        if (i + 1 < a.size()) out += ',';
        out += '\n';
      }
      out += indentOf(level) + ")";
      return out;
    }
    case Value::Type::Dictionary: {
      if (level > kMaxDepth) return "{...}";
      std::string out = nested ? indentOf(level) : "";
      out += "{\n";
      for (const auto& [k, item] : v.dict()) {
        out += indentOf(level + 1) + quotedForDescription(k) + " = ";
        out += (item.isArray() || item.isDictionary()) ? describeAt(item, level + 1, true)
                                                       : describeScalarInContainer(item);
        out += ";\n";
      }
      out += indentOf(level) + "}";
      return out;
    }
    default:
      return v.toString();
  }
}

bool doubleEqualsInt(double d, std::int64_t i) {
  if (std::isnan(d) || d != std::trunc(d)) return false;
  if (d >= 9223372036854775808.0 || d < -9223372036854775808.0) return false;
  return static_cast<std::int64_t>(d) == i;
}

bool equalAt(const Value& a, const Value& b, int depth) {
  using T = Value::Type;
  const T ta = a.type(), tb = b.type();
  if (a.isNumber() && b.isNumber()) {
    if (ta == T::Integer && tb == T::Integer) return a.integer() == b.integer();
    if (ta == T::Double && tb == T::Double) return a.toDouble() == b.toDouble();
    if (ta == T::Decimal && tb == T::Decimal) return a.decimal() == b.decimal();
    if (ta == T::Integer && tb == T::Decimal) return decimalFromInt(a.integer()) == b.decimal();
    if (ta == T::Decimal && tb == T::Integer) return a.decimal() == decimalFromInt(b.integer());
    if (ta == T::Integer) return doubleEqualsInt(b.toDouble(), a.integer());
    if (tb == T::Integer) return doubleEqualsInt(a.toDouble(), b.integer());
    return a.toDouble() == b.toDouble();  // decimal and double
  }
  if (ta != tb) return false;
  switch (ta) {
    case T::Nil:
    case T::Null:
      return true;
    case T::Bool:
      return a.boolean() == b.boolean();
    case T::String:
      return a.str() == b.str();
    case T::Data:
      return a.data() == b.data();
    case T::Date:
      return a.date() == b.date();
    case T::Array: {
      Array x = a.array(), y = b.array();
      if (x.sameAs(y)) return true;
      if (x.size() != y.size() || depth > kMaxDepth) return false;
      for (std::size_t i = 0; i < x.size(); ++i) {
        if (!equalAt(x.items()[i], y.items()[i], depth + 1)) return false;
      }
      return true;
    }
    case T::Dictionary: {
      Dictionary x = a.dict(), y = b.dict();
      if (x.sameAs(y)) return true;
      if (x.size() != y.size() || depth > kMaxDepth) return false;
      for (const auto& [k, item] : x) {
        if (!y.contains(k) || !equalAt(item, y.get(k), depth + 1)) return false;
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

Value Value::deepCopy() const {
  CopyPath path;
  return deepCopyOf(*this, path);
}

std::string Value::describe() const { return describeAt(*this, 0, false); }

bool operator==(const Value& a, const Value& b) { return equalAt(a, b, 0); }

bool Value::sameAs(const Value& other) const {
  if (isArray() && other.isArray()) return array().sameAs(other.array());
  if (isDictionary() && other.isDictionary()) return dict().sameAs(other.dict());
  if (isArray() || isDictionary() || other.isArray() || other.isDictionary()) return false;
  return *this == other;
}

}  // namespace core
