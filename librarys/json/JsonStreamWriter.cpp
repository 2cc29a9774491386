#include "librarys/json/JsonStreamWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "librarys/json/JsonUTF8Stream.h"
#include "platform/core/Text.h"

namespace {

const char* kindName(core::Value::Type type) { return core::Value::typeName(type); }

// The text of a decimal number: plain digits while that takes at most 38 digits ("1500", "-0.001"),
// otherwise one digit, a fraction and an exponent ("1.5e+140"). Trailing zeros of the mantissa are
// dropped only while the exponent stays within what the reader accepts (-128 to 127), so every
// decimal the reader produces is written as text that reads back as the same number.
std::string decimalText(const core::Decimal& decimal) {
  unsigned __int128 mantissa = decimal.mantissa;
  std::int64_t exponent = decimal.exponent;
  if (mantissa == 0) return "0";
  while (mantissa % 10 == 0 && exponent < 127) {
    mantissa /= 10;
    ++exponent;
  }
  std::string digits;
  for (unsigned __int128 m = mantissa; m != 0; m /= 10)
    digits.push_back(static_cast<char>('0' + static_cast<int>(m % 10)));
  std::reverse(digits.begin(), digits.end());

  const std::int64_t n = static_cast<std::int64_t>(digits.size());
  constexpr std::int64_t kMaxDigits = 38;
  std::string out = decimal.negative ? "-" : "";
  if (exponent >= 0 && n + exponent <= kMaxDigits) {
    out += digits;
    out.append(static_cast<std::size_t>(exponent), '0');
  } else if (exponent < 0 && -exponent < n) {
    out.append(digits, 0, static_cast<std::size_t>(n + exponent));
    out += '.';
    out.append(digits, static_cast<std::size_t>(n + exponent));
  } else if (exponent < 0 && 1 - exponent <= kMaxDigits) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - n), '0');
    out += digits;
  } else {
    const std::int64_t scientific = exponent + n - 1;
    out += digits[0];
    if (n > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += scientific >= 0 ? "e+" : "e-";
    out += std::to_string(scientific >= 0 ? scientific : -scientific);
  }
  return out;
}

// Bytes that need an escape: control bytes, the quotation mark and the backslash.
bool needsEscape(std::uint8_t b) { return b < 0x20 || b == '"' || b == '\\'; }

}  // namespace

JsonStreamWriter::JsonStreamWriter() : state_(&JsonStreamWriterStateStart::sharedInstance()) {
  stateStack_.reserve(maxDepth_);
}

void JsonStreamWriter::flush() {
  if (pending_.empty()) return;
  if (delegate_)
    delegate_->writerAppendBytes(*this, reinterpret_cast<const std::uint8_t*>(pending_.data()),
                                 pending_.size());
  pending_.clear();
}

bool JsonStreamWriter::prologue(bool checkKey) {
  if (state_->isInvalidState(*this)) return false;
  if (checkKey && state_->expectingKey(*this)) return false;
  state_->appendSeparator(*this);
  if (humanReadable_) state_->appendWhitespace(*this);
  return true;
}

bool JsonStreamWriter::open(const JsonStreamWriterState& newState, char opener) {
  if (state_->isInvalidState(*this)) return false;
  if (state_->expectingKey(*this)) return false;
  state_->appendSeparator(*this);
  if (humanReadable_ && !stateStack_.empty()) state_->appendWhitespace(*this);
  stateStack_.push_back(state_);
  state_ = &newState;
  if (maxDepth_ != 0 && stateStack_.size() > maxDepth_) {
    error_ = "Nested too deep";
    return false;
  }
  appendBytes(&opener, 1);
  return true;
}

bool JsonStreamWriter::close(bool checkKey, char closer) {
  if (state_->isInvalidState(*this)) return false;
  if (checkKey && state_->expectingKey(*this)) return false;
  if (stateStack_.empty()) {
    error_ = "No open array or object to close";
    return false;
  }
  const JsonStreamWriterState* closing = state_;
  state_ = stateStack_.back();
  stateStack_.pop_back();
  if (humanReadable_) closing->appendWhitespace(*this);
  appendBytes(&closer, 1);
  state_->transitionState(*this);
  return true;
}

bool JsonStreamWriter::writeObjectOpen() {
  Batch batch(*this);
  return open(JsonStreamWriterStateObjectStart::sharedInstance(), '{');
}
bool JsonStreamWriter::writeArrayOpen() {
  Batch batch(*this);
  return open(JsonStreamWriterStateArrayStart::sharedInstance(), '[');
}
// An object may close right after "{" or after a value, so there is no key check.
bool JsonStreamWriter::writeObjectClose() {
  Batch batch(*this);
  return close(false, '}');
}
bool JsonStreamWriter::writeArrayClose() {
  Batch batch(*this);
  return close(true, ']');
}

bool JsonStreamWriter::writeNull() {
  Batch batch(*this);
  if (!prologue(true)) return false;
  appendBytes("null", 4);
  state_->transitionState(*this);
  return true;
}

bool JsonStreamWriter::writeBool(bool x) {
  Batch batch(*this);
  if (!prologue(true)) return false;
  if (x) {
    appendBytes("true", 4);
  } else {
    appendBytes("false", 5);
  }
  state_->transitionState(*this);
  return true;
}

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;

// True when one of the eight bytes of `w` may need an escape: a byte below 0x20, a quotation mark or
// a backslash. (Bytes above 0x7F never do.)
bool mayNeedEscape(std::uint64_t w) {
  auto hasZeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  const std::uint64_t control = (w - 0x20 * kOnes) & ~w & kHigh;
  return (control | hasZeroByte(w ^ ('"' * kOnes)) | hasZeroByte(w ^ ('\\' * kOnes))) != 0;
}

}  // namespace

void JsonStreamWriter::escape(std::string_view string) {
  pending_.reserve(pending_.size() + string.size() + string.size() / 10 + 2);
  pending_.push_back('"');
  const auto* p = reinterpret_cast<const std::uint8_t*>(string.data());
  const std::size_t n = string.size();
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < n) {
    if (n - i >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p + i, 8);
      if (!mayNeedEscape(w)) {
        i += 8;
        continue;
      }
    }
    const std::uint8_t b = p[i];
    if (!needsEscape(b)) {
      ++i;
      continue;
    }
    pending_.append(string.data() + runStart, i - runStart);
    runStart = ++i;
    core::appendJsonEscaped(pending_, b);
  }
  pending_.append(string.data() + runStart, n - runStart);
  pending_.push_back('"');
}

bool JsonStreamWriter::writeString(std::string_view string) {
  Batch batch(*this);
  return writeStringPiece(string);
}

bool JsonStreamWriter::writeStringPiece(std::string_view string) {
  // Keys are written with this operation too, so there is no key check.
  if (!prologue(false)) return false;
  // JSON text is UTF-8: a string that is not cannot be written.
  if (!JsonUTF8Stream::isValidUTF8(string)) {
    error_ = "Broken Unicode encoding";
    return false;
  }
  escape(string);
  if (pending_.size() >= kFlushSize && batchDepth_ > 0) flush();
  state_->transitionState(*this);
  return true;
}

bool JsonStreamWriter::writeNumber(const core::Value& number) {
  Batch batch(*this);
  return writeNumberPiece(number);
}

bool JsonStreamWriter::writeNumberPiece(const core::Value& number) {
  if (number.isBool()) return writeBool(number.boolean());
  if (!prologue(true)) return false;

  char buf[128];
  std::string_view text;
  std::string decimalString;
  switch (number.type()) {
    case core::Value::Type::Integer: {
      auto r = std::to_chars(buf, buf + sizeof buf, number.integer());
      text = std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
      break;
    }
    case core::Value::Type::Decimal:
      decimalString = decimalText(number.decimal());
      text = decimalString;
      break;
    case core::Value::Type::Double: {
      const double d = number.toDouble();
      if (std::isnan(d)) {
        error_ = "NaN is not a valid number in JSON";
        return false;
      }
      if (std::isinf(d)) {
        error_ =
            d > 0 ? "+Infinity is not a valid number in JSON" : "-Infinity is not a valid number in JSON";
        return false;
      }
      // The "%.17g" form, independent of the locale's decimal point.
      auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 17);
      text = std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
      break;
    }
    default:
      error_ = std::string("JSON serialisation not supported for ") + kindName(number.type());
      return false;
  }
  appendBytes(text.data(), text.size());
  state_->transitionState(*this);
  return true;
}

std::vector<std::size_t> JsonStreamWriter::keyOrder(const core::Dictionary& dict) const {
  const auto& entries = dict.entries();
  std::vector<std::size_t> order(entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (!sortKeys_) return order;
  if (sortKeysComparator_) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return sortKeysComparator_(entries[a].first, entries[b].first) < 0;
    });
  } else {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return entries[a].first < entries[b].first; });
  }
  return order;
}

bool JsonStreamWriter::writeValue(const core::Value& value) {
  Batch batch(*this);
  if (value.isDictionary() || value.isArray()) return writeContainer(value);
  return writeScalar(value);
}

bool JsonStreamWriter::writeScalar(const core::Value& value) {
  switch (value.type()) {
    case core::Value::Type::String:
      return writeStringPiece(value.str());
    case core::Value::Type::Integer:
    case core::Value::Type::Decimal:
    case core::Value::Type::Double:
    case core::Value::Type::Bool:
      return writeNumberPiece(value);
    case core::Value::Type::Null:
      return writeNull();
    default:
      error_ = std::string("JSON serialisation not supported for ") + kindName(value.type());
      return false;
  }
}

bool JsonStreamWriter::writeObject(const core::Dictionary& dict) {
  Batch batch(*this);
  return writeContainer(core::Value(dict));
}

bool JsonStreamWriter::writeArray(const core::Array& array) {
  Batch batch(*this);
  return writeContainer(core::Value(array));
}

// Containers are walked with an explicit stack rather than by recursion, so neither a deep tree
// written without a depth limit nor a container that holds itself can exhaust the call stack. A
// container that holds itself nests without end: with a depth limit that limit stops it; without
// one, the containers now open are tracked and meeting one again fails the same way.
bool JsonStreamWriter::writeContainer(const core::Value& root) {
  struct Frame {
    core::Value container;  // keeps the storage below alive
    bool isObject;
    const core::Dictionary::Entry* entries;
    const core::Value* items;
    std::size_t count;
    std::vector<std::size_t> order;  // sorted objects: positions of the entries in writing order
    std::size_t next = 0;
  };
  std::vector<Frame> frames;
  frames.reserve(16);
  std::unordered_set<const void*> openContainers;

  auto enter = [&](const core::Value& container) {
    Frame frame{container, container.isDictionary(), nullptr, nullptr, 0, {}, 0};
    const void* identity;
    if (frame.isObject) {
      const auto& entries = container.dict().entries();
      frame.entries = entries.data();
      frame.count = entries.size();
      identity = &entries;
    } else {
      const auto& items = container.array().items();
      frame.items = items.data();
      frame.count = items.size();
      identity = &items;
    }
    if (maxDepth_ == 0 && !openContainers.insert(identity).second) {
      error_ = "Nested too deep";
      return false;
    }
    if (frame.isObject) {
      if (!open(JsonStreamWriterStateObjectStart::sharedInstance(), '{')) return false;
      if (sortKeys_) frame.order = keyOrder(container.dict());
    } else if (!open(JsonStreamWriterStateArrayStart::sharedInstance(), '[')) {
      return false;
    }
    frames.push_back(std::move(frame));
    return true;
  };

  if (!enter(root)) return false;
  while (!frames.empty()) {
    Frame& f = frames.back();
    if (f.next == f.count) {
      const bool closed = f.isObject ? close(false, '}') : close(true, ']');
      if (!closed) return false;
      if (maxDepth_ == 0)
        openContainers.erase(f.isObject ? static_cast<const void*>(&f.container.dict().entries())
                                       : static_cast<const void*>(&f.container.array().items()));
      frames.pop_back();
      continue;
    }
    const core::Value* item;
    if (f.isObject) {
      const std::size_t at = f.order.empty() ? f.next : f.order[f.next];
      ++f.next;
      if (!writeStringPiece(f.entries[at].first)) return false;
      item = &f.entries[at].second;
    } else {
      item = &f.items[f.next++];
    }
    if (item->isDictionary() || item->isArray()) {
      const core::Value child = *item;  // enter() may move the frames
      if (!enter(child)) return false;
    } else if (!writeScalar(*item)) {
      return false;
    }
  }
  return true;
}
