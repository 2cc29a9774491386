#include "librarys/json/JsonStreamParserAdapter.h"

JsonStreamParserAdapter::JsonStreamParserAdapter() {
  keyStack_.reserve(32);
  stack_.reserve(32);
}

void JsonStreamParserAdapter::pop() {
  stack_.pop_back();
  array_.reset();
  dict_.reset();
  currentType_ = ContainerType::None;
  if (stack_.empty()) return;
  const core::Value& top = stack_.back();
  if (top.isArray()) {
    array_ = top.array();
    currentType_ = ContainerType::Array;
  } else if (top.isDictionary()) {
    dict_ = top.dict();
    currentType_ = ContainerType::Object;
  }
}

void JsonStreamParserAdapter::parserFound(JsonStreamParser& parser, core::Value value) {
  switch (currentType_) {
    case ContainerType::Array:
      array_->push_back(std::move(value));
      break;
    case ContainerType::Object:
      // The grammar delivers a key before every object value.
      if (!keyStack_.empty()) {
        dict_->set(std::move(keyStack_.back()), std::move(value));
        keyStack_.pop_back();
      }
      break;
    case ContainerType::None:
      if (!delegate_) break;
      if (value.isArray()) {
        delegate_->parserFoundArray(parser, value);
      } else {
        delegate_->parserFoundObject(parser, value);
      }
      break;
  }
}

void JsonStreamParserAdapter::parserFoundObjectStart(JsonStreamParser& parser) {
  ++depth_;
  if (depth_ <= levelsToSkip_) return;
  dict_.emplace();
  array_.reset();
  stack_.emplace_back(*dict_);
  currentType_ = ContainerType::Object;
}

void JsonStreamParserAdapter::parserFoundArrayStart(JsonStreamParser& parser) {
  ++depth_;
  if (depth_ <= levelsToSkip_) return;
  array_.emplace();
  dict_.reset();
  stack_.emplace_back(*array_);
  currentType_ = ContainerType::Array;
}

void JsonStreamParserAdapter::containerEnd(JsonStreamParser& parser) {
  if (depth_ > levelsToSkip_ && !stack_.empty()) {
    core::Value finished = stack_.back();
    pop();
    parserFound(parser, std::move(finished));
  }
  if (depth_ > 0) --depth_;
}

void JsonStreamParserAdapter::parserFoundObjectEnd(JsonStreamParser& parser) { containerEnd(parser); }
void JsonStreamParserAdapter::parserFoundArrayEnd(JsonStreamParser& parser) { containerEnd(parser); }

void JsonStreamParserAdapter::parserFoundObjectKey(JsonStreamParser& parser, const std::string& key) {
  keyStack_.push_back(key);
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
