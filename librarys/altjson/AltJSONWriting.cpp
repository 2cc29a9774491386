#include "librarys/altjson/AltJSONWriting.h"

#include <cmath>

#include "platform/core/Text.h"

namespace altjson {

namespace {

// Counts the nodes of a container down to a small depth; false once the budget is spent.
bool fitsBudget(const core::Value& v, int depth, int& budget) {
  if (--budget < 0) return false;
  if (!v.isArray() && !v.isDictionary()) return true;
  if (depth >= 6) return false;
  if (v.isArray()) {
    for (const core::Value& item : v.array()) {
      if (!fitsBudget(item, depth + 1, budget)) return false;
    }
  } else {
    for (const auto& [key, item] : v.dict()) {
      if (!fitsBudget(item, depth + 1, budget)) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<std::string> numberText(const core::Value& number) {
  switch (number.type()) {
    case core::Value::Type::Bool:
      return number.boolean() ? "true" : "false";
    case core::Value::Type::Integer:
      return std::to_string(number.integer());
    case core::Value::Type::Decimal:
      return number.decimal().toString();
    case core::Value::Type::Double:
      if (!std::isfinite(number.toDouble())) return std::nullopt;
      return number.describe();
    default:
      return std::nullopt;
  }
}

std::optional<std::string> quotedString(std::string_view utf8, SlashEscaping slash) {
  if (!core::isValidUtf8(utf8)) return std::nullopt;
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '/') {
      out += slash == SlashEscaping::Always ? "\\/" : "/";
    } else {
      core::appendJsonEscaped(out, c);
    }
  }
  out += '"';
  return out;
}

std::string kindName(const core::Value& value) {
  return value.isNil() ? "nil" : core::Value::typeName(value.type());
}

std::string describeForError(const core::Value& value) {
  int budget = 64;
  if (fitsBudget(value, 0, budget)) return value.describe();
  return kindName(value) + " of " + std::to_string(value.size()) + " items";
}

core::Value underlyingOf(const std::string& domain, std::int64_t code, const std::string& description,
                         const core::Value& causeUserInfo) {
  const core::Value earlier = causeUserInfo["NSUnderlyingError"];
  if (!earlier.isNil()) return earlier;
  return core::Value(core::Dictionary{{"domain", core::Value(domain)},
                                      {"code", core::Value(code)},
                                      {"description", core::Value(description)}});
}

void append(core::Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

void append(core::Bytes& out, const core::Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

}  // namespace altjson
