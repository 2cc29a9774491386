#pragma once
// The states of JsonStreamWriter. Each decides which separator comes before the next piece, whether a
// piece is allowed where it stands and what state follows it. Each state is one shared, stateless
// object (sharedInstance(), made once and thread-safely).

class JsonStreamWriter;

class JsonStreamWriterState {
 public:
  virtual ~JsonStreamWriterState() = default;
  JsonStreamWriterState(const JsonStreamWriterState&) = delete;
  JsonStreamWriterState& operator=(const JsonStreamWriterState&) = delete;

  // True (with the writer's error set) when nothing may be written any more.
  virtual bool isInvalidState(JsonStreamWriter& writer) const { return false; }
  virtual void appendSeparator(JsonStreamWriter& writer) const {}
  // True (with the writer's error set) when only a key may come here.
  virtual bool expectingKey(JsonStreamWriter& writer) const { return false; }
  virtual void transitionState(JsonStreamWriter& writer) const {}
  // Human-readable output: a line feed and two spaces for each open container.
  virtual void appendWhitespace(JsonStreamWriter& writer) const;

 protected:
  JsonStreamWriterState() = default;
};

class JsonStreamWriterStateStart : public JsonStreamWriterState {
 public:
  static const JsonStreamWriterStateStart& sharedInstance();
  void transitionState(JsonStreamWriter& writer) const override;

 protected:
  JsonStreamWriterStateStart() = default;
};

class JsonStreamWriterStateComplete : public JsonStreamWriterState {
 public:
  static const JsonStreamWriterStateComplete& sharedInstance();
  bool isInvalidState(JsonStreamWriter& writer) const override;

 protected:
  JsonStreamWriterStateComplete() = default;
};

class JsonStreamWriterStateObjectStart : public JsonStreamWriterState {
 public:
  static const JsonStreamWriterStateObjectStart& sharedInstance();
  void transitionState(JsonStreamWriter& writer) const override;
  bool expectingKey(JsonStreamWriter& writer) const override;

 protected:
  JsonStreamWriterStateObjectStart() = default;
};

class JsonStreamWriterStateObjectKey : public JsonStreamWriterStateObjectStart {
 public:
  static const JsonStreamWriterStateObjectKey& sharedInstance();
  void appendSeparator(JsonStreamWriter& writer) const override;

 protected:
  JsonStreamWriterStateObjectKey() = default;
};

class JsonStreamWriterStateObjectValue : public JsonStreamWriterState {
 public:
  static const JsonStreamWriterStateObjectValue& sharedInstance();
  void appendSeparator(JsonStreamWriter& writer) const override;
  void appendWhitespace(JsonStreamWriter& writer) const override;
  void transitionState(JsonStreamWriter& writer) const override;

 protected:
  JsonStreamWriterStateObjectValue() = default;
};

class JsonStreamWriterStateArrayStart : public JsonStreamWriterState {
 public:
  static const JsonStreamWriterStateArrayStart& sharedInstance();
  void transitionState(JsonStreamWriter& writer) const override;

 protected:
  JsonStreamWriterStateArrayStart() = default;
};

class JsonStreamWriterStateArrayValue : public JsonStreamWriterState {
 public:
  static const JsonStreamWriterStateArrayValue& sharedInstance();
  void appendSeparator(JsonStreamWriter& writer) const override;
  void transitionState(JsonStreamWriter& writer) const override;

 protected:
  JsonStreamWriterStateArrayValue() = default;
};

// Never entered by the writer; kept so every state of the family exists.
class JsonStreamWriterStateError : public JsonStreamWriterState {
 public:
  static const JsonStreamWriterStateError& sharedInstance();

 protected:
  JsonStreamWriterStateError() = default;
};
