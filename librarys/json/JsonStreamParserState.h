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

#include "librarys/json/JsonTokeniser.h"

class JsonStreamParser;

// What parse() reports: the outermost container closed, more bytes are needed, or the text is bad.
enum class JsonStreamParserStatus : int { Complete = 0, WaitingForData = 1, Error = 2 };

class JsonStreamParserState {
 public:
  virtual ~JsonStreamParserState() = default;
  JsonStreamParserState(const JsonStreamParserState&) = delete;
  JsonStreamParserState& operator=(const JsonStreamParserState&) = delete;

  virtual bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const { return false; }
  virtual JsonStreamParserStatus parserShouldReturn(JsonStreamParser& parser) const {
    return JsonStreamParserStatus::WaitingForData;
  }
  // The move made after a value or separator read in this state, or, for the states that can lie on
  // the stack, after the container opened in this state has closed.
  virtual void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const {}
  virtual bool needKey() const { return false; }
  virtual const char* name() const = 0;
  virtual bool isError() const { return false; }

 protected:
  JsonStreamParserState() = default;
};

class JsonStreamParserStateStart final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateStart& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateStart() = default;
};

class JsonStreamParserStateComplete final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateComplete& sharedInstance();
  const char* name() const override;
  JsonStreamParserStatus parserShouldReturn(JsonStreamParser& parser) const override {
    return JsonStreamParserStatus::Complete;
  }

 private:
  JsonStreamParserStateComplete() = default;
};

class JsonStreamParserStateError final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateError& sharedInstance();
  const char* name() const override;
  JsonStreamParserStatus parserShouldReturn(JsonStreamParser& parser) const override {
    return JsonStreamParserStatus::Error;
  }
  bool isError() const override { return true; }

 private:
  JsonStreamParserStateError() = default;
};

class JsonStreamParserStateObjectStart final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectStart& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;
  bool needKey() const override { return true; }

 private:
  JsonStreamParserStateObjectStart() = default;
};

class JsonStreamParserStateObjectGotKey final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectGotKey& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectGotKey() = default;
};

class JsonStreamParserStateObjectSeparator final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectSeparator& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectSeparator() = default;
};

class JsonStreamParserStateObjectGotValue final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectGotValue& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateObjectGotValue() = default;
};

class JsonStreamParserStateObjectNeedKey final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateObjectNeedKey& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;
  bool needKey() const override { return true; }

 private:
  JsonStreamParserStateObjectNeedKey() = default;
};

class JsonStreamParserStateArrayStart final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateArrayStart& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateArrayStart() = default;
};

class JsonStreamParserStateArrayGotValue final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateArrayGotValue& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateArrayGotValue() = default;
};

class JsonStreamParserStateArrayNeedValue final : public JsonStreamParserState {
 public:
  static const JsonStreamParserStateArrayNeedValue& sharedInstance();
  const char* name() const override;
  bool parserShouldAcceptToken(JsonStreamParser& parser, JsonToken token) const override;
  void parserShouldTransitionTo(JsonStreamParser& parser, JsonToken token) const override;

 private:
  JsonStreamParserStateArrayNeedValue() = default;
};
