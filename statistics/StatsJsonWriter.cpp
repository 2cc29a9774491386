#include "statistics/StatsJsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "platform/core/Text.h"

namespace {

void appendString(std::string_view s, std::string& out) {
  out += '"';
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      const std::size_t start = i;
      const char32_t cp = core::nextCodePoint(s, i);
      if (cp == 0xFFFD && i - start == 1) {
        out += "\xEF\xBF\xBD";  // a malformed byte: the replacement character
      } else {
        out.append(s.substr(start, i - start));
      }
      continue;
    }
    ++i;
    core::appendJsonEscaped(out, c);
  }
  out += '"';
}

std::string doubleText(double d) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  return ec == std::errc() ? std::string(buf, end) : std::to_string(d);
}

bool lessByUtf16(const std::string& a, const std::string& b) { return core::toUtf16(a) < core::toUtf16(b); }

}  // namespace

std::optional<std::string> StatsJsonWriter::stringWithFragment(const core::Value& value) {
  clearErrorTrace();
  std::string out;
  if (!appendValue(value, out, 0)) return std::nullopt;
  return out;
}

std::optional<std::string> StatsJsonWriter::stringWithObject(const core::Value& value) {
  if (!value.isDictionary() && !value.isArray()) {
    clearErrorTrace();
    addError(kErrorUnsupported, "Not valid type for JSON");
    return std::nullopt;
  }
  return stringWithFragment(value);
}

bool StatsJsonWriter::appendValue(const core::Value& value, std::string& out, unsigned depth) {
  using T = core::Value::Type;
  switch (value.type()) {
    case T::Dictionary:
      return appendDictionary(value.dict(), out, depth);
    case T::Array:
      return appendArray(value.array(), out, depth);
    case T::String:
      appendString(value.str(), out);
      return true;
    case T::Null:
      out += "null";
      return true;
    case T::Bool:
      out += value.boolean() ? "true" : "false";
      return true;
    case T::Integer:
      out += std::to_string(value.integer());
      return true;
    case T::Decimal:
      out += value.decimal().toString();
      return true;
    case T::Double:
      if (std::isfinite(value.toDouble())) {
        out += doubleText(value.toDouble());
        return true;
      }
      break;
    default:
      break;
  }
  addError(kErrorUnsupported, "JSON serialisation not supported for " + value.describe());
  return false;
}

bool StatsJsonWriter::appendDictionary(const core::Dictionary& dict, std::string& out, unsigned depth) {
  if (depth + 1 > maxDepth_) {
    addError(kErrorDepth, "Nested too deep");
    return false;
  }
  out += '{';
  std::vector<std::string> keys = dict.keys();
  if (sortKeys_) std::stable_sort(keys.begin(), keys.end(), lessByUtf16);
  bool first = true;
  for (const auto& key : keys) {
    if (!first) out += ',';
    first = false;
    if (humanReadable_) appendIndent(out, depth + 1);
    appendString(key, out);
    out += humanReadable_ ? " : " : ":";
    if (!appendValue(dict.get(key), out, depth + 1)) {
      addError(kErrorUnsupported, "Unsupported value for key " + key + " in object");
      return false;
    }
  }
  if (humanReadable_ && !keys.empty()) appendIndent(out, depth);
  out += '}';
  return true;
}

bool StatsJsonWriter::appendArray(const core::Array& array, std::string& out, unsigned depth) {
  if (depth + 1 > maxDepth_) {
    addError(kErrorDepth, "Nested too deep");
    return false;
  }
  out += '[';
  bool first = true;
  for (const auto& item : array) {
    if (!first) out += ',';
    first = false;
    if (humanReadable_) appendIndent(out, depth + 1);
    if (!appendValue(item, out, depth + 1)) return false;
  }
  if (humanReadable_ && !array.empty()) appendIndent(out, depth);
  out += ']';
  return true;
}

void StatsJsonWriter::appendIndent(std::string& out, unsigned depth) const {
  out += '\n';
  out.append(2 * static_cast<std::size_t>(depth), ' ');
}
