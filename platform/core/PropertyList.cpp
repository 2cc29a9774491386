#include "platform/core/PropertyList.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>

#include "platform/core/Paths.h"
#include "platform/core/Text.h"

namespace core {

namespace {

struct PlistFree {
  void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

constexpr int kMaxDepth = 512;

std::uint64_t readBigEndian(std::string_view b, std::size_t at, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t k = 0; k < size; ++k) v = (v << 8) | static_cast<unsigned char>(b[at + k]);
  return v;
}

// Whether a binary property list holds a UTF-16 string (or key) with the character U+0000. libplist
// reads such a string to text whose length disagrees with its C-string length, and aborts the process
// when a key's text is asked for; such a file is refused instead. (String values are also checked where
// they are read.) Walks the object table the file's trailer names; whatever does not add up is left to
// libplist to refuse.
bool hasUnicodeStringWithNul(std::string_view b) {
  constexpr std::size_t kTrailer = 32;
  if (b.size() < 8 + kTrailer) return false;
  const std::size_t end = b.size() - kTrailer;
  const std::size_t offsetSize = static_cast<unsigned char>(b[end + 6]);
  const std::uint64_t objects = readBigEndian(b, end + 8, 8);
  const std::uint64_t table = readBigEndian(b, end + 24, 8);
  if (offsetSize < 1 || offsetSize > 8 || table > end || objects > (end - table) / offsetSize) return false;
  for (std::uint64_t i = 0; i < objects; ++i) {
    const std::uint64_t at = readBigEndian(b, static_cast<std::size_t>(table + i * offsetSize), offsetSize);
    if (at >= end) continue;
    const unsigned char marker = static_cast<unsigned char>(b[at]);
    if ((marker >> 4) != 0x6) continue;  // not a UTF-16 string
    std::uint64_t count = marker & 0x0F;
    std::size_t p = static_cast<std::size_t>(at) + 1;
    if (count == 0x0F) {  // the length follows as an integer object
      if (p >= end || (static_cast<unsigned char>(b[p]) >> 4) != 0x1) continue;
      // libplist takes lengths up to 16 bytes wide and keeps their last eight bytes, as this read does.
      const std::size_t width = std::size_t{1} << (static_cast<unsigned char>(b[p]) & 0x0F);
      if (width > 16 || p + 1 + width > end) continue;
      count = readBigEndian(b, p + 1, width);
      p += 1 + width;
    }
    if (count > (end - p) / 2) continue;
    for (std::uint64_t k = 0; k < count; ++k)
      if (b[p + 2 * k] == 0 && b[p + 2 * k + 1] == 0) return true;
  }
  return false;
}

// A string of the file as UTF-8 text: bytes that are not UTF-8 (a damaged file) become U+FFFD, so the
// value holds text, as every string value does, and writes back whole.
std::string textOf(const char* s) {
  std::string_view in(s ? s : "");
  if (isValidUtf8(in)) return std::string(in);
  std::string out;
  for (std::size_t i = 0; i < in.size();) out += fromCodePoint(nextCodePoint(in, i));
  return out;
}

Value toValue(plist_t node, int depth) {
  if (!node || depth > kMaxDepth) return Value();
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return Value(b != 0);
    }
    case PLIST_UINT: {
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      return Value(static_cast<std::int64_t>(u));  // negative integers are stored two's complement
    }
    case PLIST_UID: {
      uint64_t u = 0;
      plist_get_uid_val(node, &u);
      return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return Value(d);
    }
    case PLIST_STRING: {
      // Read by length: a string holding U+0000 (a damaged file) cannot be written back whole, so the
      // file is refused. (libplist's copying read aborts the process on such a string.)
      uint64_t length = 0;
      const char* s = plist_get_string_ptr(node, &length);
      if (!s || std::char_traits<char>::length(s) != length) return Value();
      return Value(textOf(s));
    }
    case PLIST_KEY: {
      char* s = nullptr;
      plist_get_key_val(node, &s);
      Value v(textOf(s));
      std::free(s);
      return v;
    }
    case PLIST_DATE: {
      // libplist hands a date out as whole seconds (rounded toward zero) and the size of the fraction:
      // before 2001 the fraction counts back from the seconds. (Within the last second of 2000 the sign
      // is lost: such a date reads as the same fraction after 2001.)
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      // (Out of its range the fraction it gives is not one: it is dropped.)
      const double fraction =
          usec > -1000000 && usec < 1000000 ? std::abs(static_cast<double>(usec)) / 1e6 : 0;
      const double ref = sec < 0 ? static_cast<double>(sec) - fraction : static_cast<double>(sec) + fraction;
      return Value(Date::fromReferenceDate(ref));
    }
    case PLIST_DATA: {
      char* bytes = nullptr;
      uint64_t length = 0;
      plist_get_data_val(node, &bytes, &length);
      Bytes data(reinterpret_cast<std::uint8_t*>(bytes), reinterpret_cast<std::uint8_t*>(bytes) + length);
      std::free(bytes);
      return Value(std::move(data));
    }
    case PLIST_ARRAY: {
      Array out;
      const uint32_t n = plist_array_get_size(node);
      for (uint32_t i = 0; i < n; ++i) {
        Value item = toValue(plist_array_get_item(node, i), depth + 1);
        if (item.isNil()) return Value();
        out.push_back(std::move(item));
      }
      return Value(out);
    }
    case PLIST_DICT: {
      Dictionary out;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      if (!it) return Value(out);
      bool ok = true;
      for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        if (!item) {
          std::free(key);
          break;
        }
        Value v = toValue(item, depth + 1);
        if (v.isNil()) ok = false;
        if (ok) out.set(textOf(key), std::move(v));
        std::free(key);
        if (!ok) break;
      }
      std::free(it);
      return ok ? Value(out) : Value();
    }
    default:
      return Value();
  }
}

// Nullptr when the value holds something a property list cannot.
plist_t toNode(const Value& v, int depth) {
  if (depth > kMaxDepth) return nullptr;
  switch (v.type()) {
    case Value::Type::Bool:
      return plist_new_bool(v.boolean() ? 1 : 0);
    case Value::Type::Integer:
      return plist_new_uint(static_cast<uint64_t>(v.integer()));
    case Value::Type::Decimal:
    case Value::Type::Double:
      return plist_new_real(v.toDouble());
    case Value::Type::String:
      return plist_new_string(v.str().c_str());
    case Value::Type::Data: {
      const Bytes& b = v.data();
      return plist_new_data(reinterpret_cast<const char*>(b.data()), b.size());
    }
    case Value::Type::Date: {
      // libplist holds a date as 32-bit seconds from 2001: one outside 1932-12-13 ... 2069-01-19 is kept
      // as the nearest date it can hold, rather than failing the whole file.
      double ref = v.date().secondsSinceReferenceDate();
      if (std::isnan(ref)) return nullptr;
      ref = std::clamp(ref, static_cast<double>(std::numeric_limits<int32_t>::min()),
                       static_cast<double>(std::numeric_limits<int32_t>::max()));
      double whole = std::floor(ref);
      int32_t usec = static_cast<int32_t>(std::llround((ref - whole) * 1e6));
      if (usec >= 1000000) {
        whole += 1;
        usec -= 1000000;
      }
      if (whole > std::numeric_limits<int32_t>::max()) {
        whole = std::numeric_limits<int32_t>::max();
        usec = 0;
      }
      return plist_new_date(static_cast<int32_t>(whole), usec);
    }
    case Value::Type::Array: {
      plist_t arr = plist_new_array();
      for (const auto& item : v.array()) {
        plist_t child = toNode(item, depth + 1);
        if (!child) {
          plist_free(arr);
          return nullptr;
        }
        plist_array_append_item(arr, child);
      }
      return arr;
    }
    case Value::Type::Dictionary: {
      plist_t dict = plist_new_dict();
      for (const auto& [key, item] : v.dict()) {
        plist_t child = toNode(item, depth + 1);
        if (!child) {
          plist_free(dict);
          return nullptr;
        }
        plist_dict_set_item(dict, key.c_str(), child);
      }
      return dict;
    }
    default:
      return nullptr;  // Nil and Null have no property-list form
  }
}

}  // namespace

Value PropertyList::fromData(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) return Value();
  plist_t root = nullptr;
  if (plist_is_binary(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
    if (hasUnicodeStringWithNul(bytes)) return Value();
    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  } else {
    // XML may hold no NUL character; libplist would keep one in a string and then abort on it.
    if (bytes.find('\0') != std::string_view::npos) return Value();
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  }
  PlistPtr holder(root);
  return toValue(root, 0);
}

Value PropertyList::fromData(const Bytes& bytes) {
  return fromData(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Value PropertyList::readFile(const std::string& path) {
  auto bytes = Paths::readFile(path);
  return bytes ? fromData(*bytes) : Value();
}

std::optional<std::string> PropertyList::toXML(const Value& value) {
  PlistPtr root(toNode(value, 0));
  if (!root) return std::nullopt;
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(static_cast<plist_t>(root.get()), &xml, &length);
  if (!xml) return std::nullopt;
  std::string out(xml, length);
  plist_to_xml_free(xml);
  return out;
}

std::optional<Bytes> PropertyList::toBinary(const Value& value) {
  PlistPtr root(toNode(value, 0));
  if (!root) return std::nullopt;
  char* bin = nullptr;
  uint32_t length = 0;
  plist_to_bin(static_cast<plist_t>(root.get()), &bin, &length);
  if (!bin) return std::nullopt;
  Bytes out(reinterpret_cast<std::uint8_t*>(bin), reinterpret_cast<std::uint8_t*>(bin) + length);
  plist_to_bin_free(bin);
  return out;
}

bool PropertyList::writeFile(const std::string& path, const Value& value) {
  auto xml = toXML(value);
  return xml && Paths::atomicWrite(path, std::string_view(*xml));
}

}  // namespace core
