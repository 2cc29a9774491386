#pragma once
// The grammar layer of the JSON reader. JsonStreamParser pulls tokens from its tokeniser, checks each
// against the state machine of JSON's grammar (JsonStreamParserState.h), enforces the depth limit and
// reports structural events to its delegate. Bytes may be handed over in pieces; each parse() call
// consumes what it can and says whether the document is complete, needs more bytes or is bad.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "librarys/json/JsonStreamParserState.h"
#include "librarys/json/JsonTokeniser.h"
#include "platform/core/Value.h"

class JsonStreamParser;

// Receiver of the parser's events. Every method is optional: the defaults do nothing.
struct JsonStreamParserDelegate {
  virtual ~JsonStreamParserDelegate() = default;
  virtual void parserFoundObjectStart(JsonStreamParser& parser) {}
  virtual void parserFoundObjectKey(JsonStreamParser& parser, const std::string& key) {}
  virtual void parserFoundObjectEnd(JsonStreamParser& parser) {}
  virtual void parserFoundArrayStart(JsonStreamParser& parser) {}
  virtual void parserFoundArrayEnd(JsonStreamParser& parser) {}
  virtual void parserFoundBoolean(JsonStreamParser& parser, bool x) {}
  virtual void parserFoundNull(JsonStreamParser& parser) {}
  // An Integer or a Decimal value.
  virtual void parserFoundNumber(JsonStreamParser& parser, core::Value number) {}
  // A String value.
  virtual void parserFoundString(JsonStreamParser& parser, core::Value string) {}
};

class JsonStreamParser {
 public:
  JsonStreamParser();
  JsonStreamParser(const JsonStreamParser&) = delete;
  JsonStreamParser& operator=(const JsonStreamParser&) = delete;

  // Appends the bytes and consumes tokens until they run out or an error occurs.
  JsonStreamParserStatus parse(const std::uint8_t* bytes, std::size_t length);
  JsonStreamParserStatus parse(const core::Bytes& data) { return parse(data.data(), data.size()); }

  // The name of a token in error texts ("start of array", "boolean", ...).
  static const char* tokenName(JsonToken token);

  JsonStreamParserDelegate* delegate() const { return delegate_; }
  void setDelegate(JsonStreamParserDelegate* delegate) { delegate_ = delegate; }  // not owned
  std::uint32_t maxDepth() const { return maxDepth_; }
  void setMaxDepth(std::uint32_t maxDepth) { maxDepth_ = maxDepth; }
  // When set, a closed outermost container leaves the parser ready for the next document.
  bool supportMultipleDocuments() const { return supportMultipleDocuments_; }
  void setSupportMultipleDocuments(bool on) { supportMultipleDocuments_ = on; }
  const std::string& error() const { return error_; }
  void setError(std::string error) { error_ = std::move(error); }

  const JsonStreamParserState& state() const { return *state_; }
  void setState(const JsonStreamParserState& state) { state_ = &state; }
  const std::vector<const JsonStreamParserState*>& stateStack() const { return stateStack_; }
  JsonTokeniser& tokeniser() { return tokeniser_; }

 private:
  JsonStreamParserStatus consumeTokens();
  void handleObjectStart();
  void handleObjectEnd(JsonToken token);
  void handleArrayStart();
  void handleArrayEnd(JsonToken token);
  void maxDepthError();
  void handleTokenNotExpectedHere(JsonToken token);

  JsonTokeniser tokeniser_;
  std::vector<const JsonStreamParserState*> stateStack_;
  const JsonStreamParserState* state_;
  JsonStreamParserDelegate* delegate_ = nullptr;
  std::uint32_t maxDepth_ = 32;
  bool supportMultipleDocuments_ = false;
  std::string error_;
};
