#pragma once
// The states of the JSON grammar machine that JsonStreamParser runs. Each state is one shared,
// stateless object (sharedInstance(), made once and thread-safely); the parser keeps a pointer to
// its current state and a stack of the states to return to as containers close.
//
//   state            name                                   accepts
//   Start            "before outer-most array or object"    [ {
//   Complete         "after outer-most array or object"     nothing
//   Error            "in error"                             nothing
//   ObjectStart      "at beginning of object"               } string
//   ObjectGotKey     "after object key"                     :
//   ObjectSeparator  "as object value"                      [ { number string true false null
//   ObjectGotValue   "after object value"                   } ,
//   ObjectNeedKey    "in place of object key"               string
//   ArrayStart       "at array start"                       [ ] { number string true false null
//   ArrayGotValue    "after array value"                    ] ,
//   ArrayNeedValue   "as array value"                       [ { number string true false null

#include <cstdint>
#include <initializer_list>

#include "librarys/json/JsonTokeniser.h"

class JsonStreamParser;

// What parse() reports: the outermost container closed, more bytes are needed, or the text is bad.
enum class JsonStreamParserStatus : int { Complete = 0, WaitingForData = 1, Error = 2 };

// A state's fixed answers (which tokens it lets through, whether it wants a key, whether it is the
// error state) are data given to its constructor, so that the parser asks them of every token without
// a virtual call; the moves between states are the states' own code.
class JsonStreamParserState {
 public:
  virtual ~JsonStreamParserState() = default;
  JsonStreamParserState(const JsonStreamParserState&) = delete;
  JsonStreamParserState& operator=(const JsonStreamParserState&) = delete;

  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const {
    return static_cast<int>(token) > 0 && ((accepts_ >> static_cast<int>(token)) & 1u) != 0;
  }
  virtual JsonStreamParserStatus parserShouldReturn(JsonStreamParser& parser) const {
    return JsonStreamParserStatus::WaitingForData;
  }
  // The move made after a value or separator read in this state, or, for the states that can lie on
  // the stack, after the container opened in this state has closed.
  virtual void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const {}
  bool needKey() const { return needKey_; }
  virtual const char* name() const = 0;
  bool isError() const { return isError_; }

  // The set of tokens a state accepts, one bit per token code.
  static constexpr std::uint32_t tokens(std::initializer_list<JsonToken> list) {
    std::uint32_t mask = 0;
    for (JsonToken t : list) mask |= 1u << static_cast<int>(t);
    return mask;
  }

 protected:
  explicit JsonStreamParserState(std::uint32_t accepts, bool needKey = false, bool isError = false)
      : accepts_(accepts), needKey_(needKey), isError_(isError) {}

 private:
  const std::uint32_t accepts_;
  const bool needKey_;
  const bool isError_;
};

// The tokens that begin a value.
inline constexpr std::uint32_t kValueTokens =
    JsonStreamParserState::tokens({JsonToken::ArrayStart, JsonToken::ObjectStart, JsonToken::Number,
                                   JsonToken::String, JsonToken::True, JsonToken::False, JsonToken::Null});

class JsonStreamParserStateStart final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateStart& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateStart()
      : JsonStreamParserState(tokens({JsonToken::ArrayStart, JsonToken::ObjectStart})) {}
};

class JsonStreamParserStateComplete final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateComplete& sharedInstance();
  const char* name() const override;
  JsonStreamParserStatus parserShouldReturn(JsonStreamParser& parser) const override {
    return JsonStreamParserStatus::Complete;
  }

 private:
  JsonStreamParserStateComplete() : JsonStreamParserState(0) {}
};

class JsonStreamParserStateError final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateError& sharedInstance();
  const char* name() const override;
  JsonStreamParserStatus parserShouldReturn(JsonStreamParser& parser) const override {
    return JsonStreamParserStatus::Error;
  }

 private:
  JsonStreamParserStateError() : JsonStreamParserState(0, false, true) {}
};

class JsonStreamParserStateObjectStart final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectStart& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectStart()
      : JsonStreamParserState(tokens({JsonToken::ObjectEnd, JsonToken::String}), true) {}
};

class JsonStreamParserStateObjectGotKey final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectGotKey& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectGotKey() : JsonStreamParserState(tokens({JsonToken::KeyValueSeparator})) {}
};

class JsonStreamParserStateObjectSeparator final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectSeparator& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectSeparator() : JsonStreamParserState(kValueTokens) {}
};

class JsonStreamParserStateObjectGotValue final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectGotValue& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectGotValue()
      : JsonStreamParserState(tokens({JsonToken::ObjectEnd, JsonToken::Separator})) {}
};

class JsonStreamParserStateObjectNeedKey final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectNeedKey& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectNeedKey() : JsonStreamParserState(tokens({JsonToken::String}), true) {}
};

class JsonStreamParserStateArrayStart final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateArrayStart& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateArrayStart() : JsonStreamParserState(kValueTokens | tokens({JsonToken::ArrayEnd})) {}
};

class JsonStreamParserStateArrayGotValue final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateArrayGotValue& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateArrayGotValue()
      : JsonStreamParserState(tokens({JsonToken::ArrayEnd, JsonToken::Separator})) {}
};

class JsonStreamParserStateArrayNeedValue final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateArrayNeedValue& sharedInstance();
  const char* name() const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateArrayNeedValue() : JsonStreamParserState(kValueTokens) {}
};
