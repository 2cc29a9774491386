#include "librarys/json/JsonStreamParserState.h"

#include "librarys/json/JsonStreamParser.h"

// Function-local statics: made once, safely when two threads ask first at the same time.
#define VD_SHARED_INSTANCE(Class)        \
  const Class& Class::sharedInstance() { \
    static const Class instance;         \
    return instance;                     \
  }

VD_SHARED_INSTANCE(JsonStreamParserStateStart)
VD_SHARED_INSTANCE(JsonStreamParserStateComplete)
VD_SHARED_INSTANCE(JsonStreamParserStateError)
VD_SHARED_INSTANCE(JsonStreamParserStateObjectStart)
VD_SHARED_INSTANCE(JsonStreamParserStateObjectGotKey)
VD_SHARED_INSTANCE(JsonStreamParserStateObjectSeparator)
VD_SHARED_INSTANCE(JsonStreamParserStateObjectGotValue)
VD_SHARED_INSTANCE(JsonStreamParserStateObjectNeedKey)
VD_SHARED_INSTANCE(JsonStreamParserStateArrayStart)
VD_SHARED_INSTANCE(JsonStreamParserStateArrayGotValue)
VD_SHARED_INSTANCE(JsonStreamParserStateArrayNeedValue)
#undef VD_SHARED_INSTANCE

// Start

const char* JsonStreamParserStateStart::name() const { return "before outer-most array or object"; }

void JsonStreamParserStateStart::parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const {
  switch (token) {
    case JsonToken::ArrayEnd:
    case JsonToken::ObjectEnd:
      if (parser.supportMultipleDocuments()) {
        parser.setState(JsonStreamParserStateStart::sharedInstance());
      } else {
        parser.setState(JsonStreamParserStateComplete::sharedInstance());
      }
      break;
    case JsonToken::ArrayStart:
      parser.setState(JsonStreamParserStateArrayStart::sharedInstance());
      break;
    case JsonToken::ObjectStart:
      parser.setState(JsonStreamParserStateObjectStart::sharedInstance());
      break;
    case JsonToken::Eof:
      break;
    default:
      parser.setState(JsonStreamParserStateError::sharedInstance());
      break;
  }
}

// Complete, Error

const char* JsonStreamParserStateComplete::name() const { return "after outer-most array or object"; }
const char* JsonStreamParserStateError::name() const { return "in error"; }

// Objects

const char* JsonStreamParserStateObjectStart::name() const { return "at beginning of object"; }

void JsonStreamParserStateObjectStart::parserShouldTransitionTo(JsonStreamParser& parser,
                                                                JsonToken token) const {
  parser.setState(JsonStreamParserStateObjectGotKey::sharedInstance());
}

const char* JsonStreamParserStateObjectGotKey::name() const { return "after object key"; }

void JsonStreamParserStateObjectGotKey::parserShouldTransitionTo(JsonStreamParser& parser,
                                                                 JsonToken token) const {
  parser.setState(JsonStreamParserStateObjectSeparator::sharedInstance());
}

const char* JsonStreamParserStateObjectSeparator::name() const { return "as object value"; }

void JsonStreamParserStateObjectSeparator::parserShouldTransitionTo(JsonStreamParser& parser,
                                                                    JsonToken token) const {
  parser.setState(JsonStreamParserStateObjectGotValue::sharedInstance());
}

const char* JsonStreamParserStateObjectGotValue::name() const { return "after object value"; }

void JsonStreamParserStateObjectGotValue::parserShouldTransitionTo(JsonStreamParser& parser,
                                                                   JsonToken token) const {
  parser.setState(JsonStreamParserStateObjectNeedKey::sharedInstance());
}

const char* JsonStreamParserStateObjectNeedKey::name() const { return "in place of object key"; }

void JsonStreamParserStateObjectNeedKey::parserShouldTransitionTo(JsonStreamParser& parser,
                                                                  JsonToken token) const {
  parser.setState(JsonStreamParserStateObjectGotKey::sharedInstance());
}

// Arrays

const char* JsonStreamParserStateArrayStart::name() const { return "at array start"; }

void JsonStreamParserStateArrayStart::parserShouldTransitionTo(JsonStreamParser& parser,
                                                               JsonToken token) const {
  parser.setState(JsonStreamParserStateArrayGotValue::sharedInstance());
}

const char* JsonStreamParserStateArrayGotValue::name() const { return "after array value"; }

void JsonStreamParserStateArrayGotValue::parserShouldTransitionTo(JsonStreamParser& parser,
                                                                  JsonToken token) const {
  if (token == JsonToken::Separator) parser.setState(JsonStreamParserStateArrayNeedValue::sharedInstance());
}

const char* JsonStreamParserStateArrayNeedValue::name() const { return "as array value"; }

void JsonStreamParserStateArrayNeedValue::parserShouldTransitionTo(JsonStreamParser& parser,
                                                                   JsonToken token) const {
  parser.setState(JsonStreamParserStateArrayGotValue::sharedInstance());
}
