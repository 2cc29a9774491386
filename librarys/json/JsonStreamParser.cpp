#include "librarys/json/JsonStreamParser.h"

#include <cstdio>

JsonStreamParser::JsonStreamParser() : state_(&JsonStreamParserStateStart::sharedInstance()) {
  stateStack_.reserve(maxDepth_);
}

const char* JsonStreamParser::tokenName(JsonToken token) {
  switch (token) {
    case JsonToken::ArrayStart:
      return "start of array";
    case JsonToken::ArrayEnd:
      return "end of array";
    case JsonToken::ObjectStart:
      return "start of object";
    case JsonToken::ObjectEnd:
      return "end of object";
    case JsonToken::Separator:
      return "value separator";
    case JsonToken::KeyValueSeparator:
      return "key-value separator";
    case JsonToken::Number:
      return "number";
    case JsonToken::String:
      return "string";
    case JsonToken::True:
    case JsonToken::False:
      return "boolean";
    case JsonToken::Null:
      return "null";
    case JsonToken::Eof:
      return "end of input";
    case JsonToken::Error:
      return "error";
  }
  return "<unknown token>";
}

void JsonStreamParser::maxDepthError() {
  char text[64];
  std::snprintf(text, sizeof text, "Input depth exceeds max depth of %u", static_cast<unsigned>(maxDepth_));
  error_ = text;
  state_ = &JsonStreamParserStateError::sharedInstance();
}

void JsonStreamParser::handleObjectStart() {
  if (stateStack_.size() >= maxDepth_) {
    maxDepthError();
    return;
  }
  if (delegate_) delegate_->parserFoundObjectStart(*this);
  stateStack_.push_back(state_);
  state_ = &JsonStreamParserStateObjectStart::sharedInstance();
}

void JsonStreamParser::handleArrayStart() {
  if (stateStack_.size() >= maxDepth_) {
    maxDepthError();
    return;
  }
  if (delegate_) delegate_->parserFoundArrayStart(*this);
  stateStack_.push_back(state_);
  state_ = &JsonStreamParserStateArrayStart::sharedInstance();
}

void JsonStreamParser::handleObjectEnd(JsonToken token) {
  // The grammar lets a closing token through only inside a container, so the stack is never empty.
  state_ = stateStack_.back();
  stateStack_.pop_back();
  state_->parserShouldTransitionTo(*this, token);
  if (delegate_) delegate_->parserFoundObjectEnd(*this);
}

void JsonStreamParser::handleArrayEnd(JsonToken token) {
  state_ = stateStack_.back();
  stateStack_.pop_back();
  state_->parserShouldTransitionTo(*this, token);
  if (delegate_) delegate_->parserFoundArrayEnd(*this);
}

void JsonStreamParser::handleTokenNotExpectedHere(JsonToken token) {
  error_ = std::string("Token '") + tokenName(token) + "' not expected " + state_->name();
  state_ = &JsonStreamParserStateError::sharedInstance();
}

JsonStreamParserStatus JsonStreamParser::parse(const std::uint8_t* bytes, std::size_t length) {
  // The bytes are read where they are; what is left unread (a token cut off by their end) is copied
  // before returning, for the next call.
  tokeniser_.stream().borrowData(bytes, length);
  const JsonStreamParserStatus status = consumeTokens();
  tokeniser_.stream().keepRemainder();
  return status;
}

JsonStreamParserStatus JsonStreamParser::consumeTokens() {
  if (state_->isError()) return JsonStreamParserStatus::Error;

  // One value slot for every token: the tokeniser assigns it for numbers and strings, and the
  // delegate takes it from there.
  core::Value value;
  for (;;) {
    const JsonToken token = tokeniser_.getToken(&value);
    if (token == JsonToken::Error) {
      state_ = &JsonStreamParserStateError::sharedInstance();
      error_ = tokeniser_.error();
      return JsonStreamParserStatus::Error;
    }
    if (token == JsonToken::Eof) return state_->parserShouldReturn(*this);
    if (!state_->parserShouldAcceptToken(*this, token)) {
      handleTokenNotExpectedHere(token);
      return JsonStreamParserStatus::Error;
    }

    switch (token) {
      case JsonToken::ArrayStart:
        handleArrayStart();
        break;
      case JsonToken::ObjectStart:
        handleObjectStart();
        break;
      case JsonToken::ArrayEnd:
        handleArrayEnd(token);
        break;
      case JsonToken::ObjectEnd:
        handleObjectEnd(token);
        break;
      case JsonToken::Number:
        if (delegate_) delegate_->parserFoundNumber(*this, std::move(value));
        state_->parserShouldTransitionTo(*this, token);
        break;
      case JsonToken::String:
        if (delegate_) {
          if (state_->needKey()) {
            delegate_->parserFoundObjectKey(*this, value.str());
          } else {
            delegate_->parserFoundString(*this, std::move(value));
          }
        }
        state_->parserShouldTransitionTo(*this, token);
        break;
      case JsonToken::True:
      case JsonToken::False:
        if (delegate_) delegate_->parserFoundBoolean(*this, token == JsonToken::True);
        state_->parserShouldTransitionTo(*this, token);
        break;
      case JsonToken::Null:
        if (delegate_) delegate_->parserFoundNull(*this);
        state_->parserShouldTransitionTo(*this, token);
        break;
      default:  // the two separators
        state_->parserShouldTransitionTo(*this, token);
        break;
    }
    if (state_->isError()) return JsonStreamParserStatus::Error;
  }
}
