#include "librarys/json/JsonStreamParserAdapter.h"

#include <iterator>

JsonStreamParserAdapter::JsonStreamParserAdapter() {
  frames_.reserve(8);
  values_.reserve(16);
  keyStack_.reserve(16);
}

void JsonStreamParserAdapter::parserFound(JsonStreamParser& parser, core::Value&& value) {
  if (!frames_.empty()) {
    values_.push_back(std::move(value));
    return;
  }
  // Outside every container being built: the value is finished.
  if (!delegate_) return;
  if (value.isArray()) {
    delegate_->parserFoundArray(parser, value);
  } else {
    delegate_->parserFoundObject(parser, value);
  }
}

void JsonStreamParserAdapter::containerStart(ContainerType type) {
  ++depth_;
  if (depth_ <= levelsToSkip_) return;
  frames_.push_back(Frame{type, values_.size(), keyStack_.size()});
}

void JsonStreamParserAdapter::parserFoundObjectStart(JsonStreamParser& parser) {
  containerStart(ContainerType::Object);
}

void JsonStreamParserAdapter::parserFoundArrayStart(JsonStreamParser& parser) {
  containerStart(ContainerType::Array);
}

void JsonStreamParserAdapter::containerEnd(JsonStreamParser& parser) {
  if (depth_ > levelsToSkip_ && !frames_.empty()) {
    const Frame frame = frames_.back();
    frames_.pop_back();
    const auto first = values_.begin() + static_cast<std::ptrdiff_t>(frame.firstValue);
    const std::size_t count = values_.size() - frame.firstValue;
    core::Value finished;
    if (frame.type == ContainerType::Array) {
      core::Array array;
      array.items().assign(std::make_move_iterator(first), std::make_move_iterator(values_.end()));
      finished = core::Value(std::move(array));
    } else {
      // The grammar delivers a key before every object value, so keys and values pair up in order.
      core::Dictionary dict;
      dict.reserve(count);
      for (std::size_t i = 0; i < count && frame.firstKey + i < keyStack_.size(); ++i)
        dict.set(std::move(keyStack_[frame.firstKey + i]), std::move(values_[frame.firstValue + i]));
      keyStack_.resize(frame.firstKey);
      finished = core::Value(std::move(dict));
    }
    values_.erase(first, values_.end());
    parserFound(parser, std::move(finished));
  }
  if (depth_ > 0) --depth_;
}

void JsonStreamParserAdapter::parserFoundObjectEnd(JsonStreamParser& parser) { containerEnd(parser); }
void JsonStreamParserAdapter::parserFoundArrayEnd(JsonStreamParser& parser) { containerEnd(parser); }

void JsonStreamParserAdapter::parserFoundObjectKey(JsonStreamParser& parser, const std::string& key) {
  // Keys of an object that is not being built (a skipped level) are not kept.
  if (!frames_.empty()) keyStack_.push_back(key);
}

void JsonStreamParserAdapter::parserFoundBoolean(JsonStreamParser& parser, bool x) {
  parserFound(parser, core::Value(x));
}

void JsonStreamParserAdapter::parserFoundNull(JsonStreamParser& parser) {
  parserFound(parser, core::Value::null());
}

void JsonStreamParserAdapter::parserFoundNumber(JsonStreamParser& parser, core::Value number) {
  parserFound(parser, std::move(number));
}

void JsonStreamParserAdapter::parserFoundString(JsonStreamParser& parser, core::Value string) {
  parserFound(parser, std::move(string));
}
