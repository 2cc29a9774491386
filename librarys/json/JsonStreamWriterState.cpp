#include "librarys/json/JsonStreamWriterState.h"

#include "librarys/json/JsonStreamWriter.h"

namespace {

// The singletons are made through a derived helper, since the constructors are protected.
template <class State>
const State& shared() {
  struct Instance final : State {};
  static const Instance instance;
  return instance;
}

}  // namespace

const JsonStreamWriterStateStart& JsonStreamWriterStateStart::sharedInstance() {
  return shared<JsonStreamWriterStateStart>();
}
const JsonStreamWriterStateComplete& JsonStreamWriterStateComplete::sharedInstance() {
  return shared<JsonStreamWriterStateComplete>();
}
const JsonStreamWriterStateObjectStart& JsonStreamWriterStateObjectStart::sharedInstance() {
  return shared<JsonStreamWriterStateObjectStart>();
}
const JsonStreamWriterStateObjectKey& JsonStreamWriterStateObjectKey::sharedInstance() {
  return shared<JsonStreamWriterStateObjectKey>();
}
const JsonStreamWriterStateObjectValue& JsonStreamWriterStateObjectValue::sharedInstance() {
  return shared<JsonStreamWriterStateObjectValue>();
}
const JsonStreamWriterStateArrayStart& JsonStreamWriterStateArrayStart::sharedInstance() {
  return shared<JsonStreamWriterStateArrayStart>();
}
const JsonStreamWriterStateArrayValue& JsonStreamWriterStateArrayValue::sharedInstance() {
  return shared<JsonStreamWriterStateArrayValue>();
}
const JsonStreamWriterStateError& JsonStreamWriterStateError::sharedInstance() {
  return shared<JsonStreamWriterStateError>();
}

void JsonStreamWriterState::appendWhitespace(JsonStreamWriter& writer) const {
  writer.appendBytes("\n", 1);
  static constexpr char kSpaces[] = "                                ";  // 32 spaces
  std::size_t remaining = 2 * writer.stateStack().size();
  while (remaining > 0) {
    const std::size_t n = remaining < sizeof kSpaces - 1 ? remaining : sizeof kSpaces - 1;
    writer.appendBytes(kSpaces, n);
    remaining -= n;
  }
}

void JsonStreamWriterStateStart::transitionState(JsonStreamWriter& writer) const {
  writer.setState(JsonStreamWriterStateComplete::sharedInstance());
}

bool JsonStreamWriterStateComplete::isInvalidState(JsonStreamWriter& writer) const {
  writer.setError("Stream is closed");
  return true;
}

void JsonStreamWriterStateObjectStart::transitionState(JsonStreamWriter& writer) const {
  writer.setState(JsonStreamWriterStateObjectValue::sharedInstance());
}

bool JsonStreamWriterStateObjectStart::expectingKey(JsonStreamWriter& writer) const {
  writer.setError("JSON object key must be string");
  return true;
}

void JsonStreamWriterStateObjectKey::appendSeparator(JsonStreamWriter& writer) const {
  writer.appendBytes(",", 1);
}

void JsonStreamWriterStateObjectValue::appendSeparator(JsonStreamWriter& writer) const {
  writer.appendBytes(":", 1);
}

void JsonStreamWriterStateObjectValue::appendWhitespace(JsonStreamWriter& writer) const {
  writer.appendBytes(" ", 1);
}

void JsonStreamWriterStateObjectValue::transitionState(JsonStreamWriter& writer) const {
  writer.setState(JsonStreamWriterStateObjectKey::sharedInstance());
}

void JsonStreamWriterStateArrayStart::transitionState(JsonStreamWriter& writer) const {
  writer.setState(JsonStreamWriterStateArrayValue::sharedInstance());
}

void JsonStreamWriterStateArrayValue::appendSeparator(JsonStreamWriter& writer) const {
  writer.appendBytes(",", 1);
}

void JsonStreamWriterStateArrayValue::transitionState(JsonStreamWriter& writer) const {
  writer.setState(JsonStreamWriterStateArrayValue::sharedInstance());
}
