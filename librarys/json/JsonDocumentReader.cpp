#include "librarys/json/JsonDocumentReader.h"

#include <iterator>
#include <utility>

bool JsonDocumentReader::open(JsonToken token) {
  if (token != JsonToken::ArrayStart && token != JsonToken::ObjectStart) return false;
  if (frames_.size() >= maxDepth_) return false;
  frames_.push_back(Frame{token == JsonToken::ObjectStart, values_.size(), keys_.size()});
  return true;
}

bool JsonDocumentReader::close(core::Value& result) {
  const Frame frame = frames_.back();
  frames_.pop_back();
  const auto first = values_.begin() + static_cast<std::ptrdiff_t>(frame.firstValue);
  core::Value finished;
  if (frame.object) {
    // A key was read before every member value, so keys and values pair up in order.
    const std::size_t count = values_.size() - frame.firstValue;
    core::Dictionary dict;
    dict.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
      dict.set(std::move(keys_[frame.firstKey + i]), std::move(values_[frame.firstValue + i]));
    keys_.resize(frame.firstKey);
    finished = core::Value(std::move(dict));
  } else {
    core::Array array;
    array.items().assign(std::make_move_iterator(first), std::make_move_iterator(values_.end()));
    finished = core::Value(std::move(array));
  }
  values_.erase(first, values_.end());
  if (frames_.empty()) {
    result = std::move(finished);
    return false;
  }
  values_.push_back(std::move(finished));
  return true;
}

std::optional<core::Value> JsonDocumentReader::read(const std::uint8_t* bytes, std::size_t length) {
  if (!bytes) return std::nullopt;
  JsonUTF8Stream& stream = tokeniser_.stream();
  stream.borrowData(bytes, length);

  core::Value scalar;  // the value of a number or string token
  core::Value result;
  if (!open(tokeniser_.getToken(&scalar))) return std::nullopt;
  bool justOpened = true;
  for (;;) {
    // A member: in an object its key and ":" first, then a value (or the end of an empty container).
    bool closed = false;
    if (frames_.back().object) {
      std::string& key = keys_.emplace_back();
      const JsonToken token = tokeniser_.getToken(&scalar, &key);
      if (token != JsonToken::String) {
        keys_.pop_back();
        if (token != JsonToken::ObjectEnd || !justOpened) return std::nullopt;
        if (!close(result)) break;
        closed = true;
      } else if (tokeniser_.getToken(&scalar) != JsonToken::KeyValueSeparator) {
        return std::nullopt;
      }
    }
    if (!closed) {
      const JsonToken token = tokeniser_.getToken(&scalar);
      switch (token) {
        case JsonToken::ArrayStart:
        case JsonToken::ObjectStart:
          if (!open(token)) return std::nullopt;
          justOpened = true;
          continue;
        case JsonToken::Number:
        case JsonToken::String:
          values_.push_back(std::move(scalar));
          break;
        case JsonToken::True:
        case JsonToken::False:
          values_.emplace_back(token == JsonToken::True);
          break;
        case JsonToken::Null:
          values_.push_back(core::Value::null());
          break;
        case JsonToken::ArrayEnd:
          if (!justOpened || frames_.back().object) return std::nullopt;
          if (!close(result)) goto done;
          break;
        default:
          return std::nullopt;
      }
    }
    // After a value: "," for the next member, or the end of the container (and of those it ends).
    for (;;) {
      const JsonToken token = tokeniser_.getToken(&scalar);
      if (token == JsonToken::Separator) break;
      const bool object = frames_.back().object;
      if (token != (object ? JsonToken::ObjectEnd : JsonToken::ArrayEnd)) return std::nullopt;
      if (!close(result)) goto done;
    }
    justOpened = false;
  }
done:
  // Only white space may follow the outermost container.
  stream.skipWhitespace();
  if (stream.index() != stream.length()) return std::nullopt;
  return result;
}
