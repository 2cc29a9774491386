#include "platform/core/PropertyList.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "platform/core/Paths.h"

namespace core {

namespace {

struct PlistFree {
  void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

constexpr int kMaxDepth = 512;

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
    case PLIST_STRING:
    case PLIST_KEY: {
      char* s = nullptr;
      if (plist_get_node_type(node) == PLIST_STRING) {
        plist_get_string_val(node, &s);
      } else {
        plist_get_key_val(node, &s);
      }
      Value v(std::string(s ? s : ""));
      std::free(s);
      return v;
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return Value(Date::fromReferenceDate(static_cast<double>(sec) + static_cast<double>(usec) / 1e6));
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
        if (ok) out.set(key ? key : "", std::move(v));
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
      const double ref = v.date().secondsSinceReferenceDate();
      if (!(ref > std::numeric_limits<int32_t>::min() && ref < std::numeric_limits<int32_t>::max()))
        return nullptr;
      double whole = std::floor(ref);
      int32_t usec = static_cast<int32_t>(std::llround((ref - whole) * 1e6));
      if (usec >= 1000000) {
        whole += 1;
        usec -= 1000000;
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
    plist_from_bin(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  } else {
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
