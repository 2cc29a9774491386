#pragma once
// Turns a value tree into UTF-8 JSON text, handing the bytes piece by piece to its delegate. A state
// machine of shared state objects (JsonStreamWriterState.h) puts the separators in and refuses pieces
// that may not stand where they would go. A writer serves one document: once the outermost container
// is closed every further write fails with "Stream is closed", and after a failure it is discarded.
//
// Output is compact unless humanReadable is set (two spaces of indentation per level, one value or key
// per line, a space after each colon). Keys come in the dictionary's own order unless sortKeys is set.
//
// The pieces are collected in a buffer of the writer's own and handed to the delegate in larger
// runs: whatever a public operation wrote has reached the delegate by the time it returns (also when
// it fails part-way).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "librarys/json/JsonStreamWriterState.h"
#include "platform/core/Value.h"

class JsonStreamWriter;

struct JsonStreamWriterDelegate {
  virtual ~JsonStreamWriterDelegate() = default;
  virtual void writerAppendBytes(JsonStreamWriter& writer, const std::uint8_t* bytes, std::size_t length) = 0;
};

class JsonStreamWriter {
 public:
  // Orders two keys: negative, zero or positive, as a three-way comparison.
  using KeyComparator = std::function<int(const std::string& a, const std::string& b)>;

  JsonStreamWriter();
  JsonStreamWriter(const JsonStreamWriter&) = delete;
  JsonStreamWriter& operator=(const JsonStreamWriter&) = delete;

  // Each returns true on success, false with error() set on failure.
  bool writeObject(const core::Dictionary& dict);
  bool writeArray(const core::Array& array);
  // Dictionaries, arrays, strings, numbers, booleans and null; Nil, data and dates are refused.
  bool writeValue(const core::Value& value);
  bool writeString(std::string_view string);
  // Integer, Decimal or Double (a Bool value goes to writeBool).
  bool writeNumber(const core::Value& number);
  bool writeBool(bool x);
  bool writeNull();
  bool writeObjectOpen();
  bool writeObjectClose();
  bool writeArrayOpen();
  bool writeArrayClose();

  void appendBytes(const void* bytes, std::size_t length) {
    pending_.append(static_cast<const char*>(bytes), length);
    if (batchDepth_ == 0 || pending_.size() >= kFlushSize) flush();
  }

  JsonStreamWriterDelegate* delegate() const { return delegate_; }
  void setDelegate(JsonStreamWriterDelegate* delegate) { delegate_ = delegate; }  // not owned
  // The deepest nesting written; 0 means no limit.
  std::uint32_t maxDepth() const { return maxDepth_; }
  void setMaxDepth(std::uint32_t maxDepth) { maxDepth_ = maxDepth; }
  bool humanReadable() const { return humanReadable_; }
  void setHumanReadable(bool on) { humanReadable_ = on; }
  bool sortKeys() const { return sortKeys_; }
  void setSortKeys(bool on) { sortKeys_ = on; }
  const KeyComparator& sortKeysComparator() const { return sortKeysComparator_; }
  void setSortKeysComparator(KeyComparator comparator) { sortKeysComparator_ = std::move(comparator); }
  const std::string& error() const { return error_; }
  void setError(std::string error) { error_ = std::move(error); }

  const JsonStreamWriterState& state() const { return *state_; }
  void setState(const JsonStreamWriterState& state) { state_ = &state; }
  const std::vector<const JsonStreamWriterState*>& stateStack() const { return stateStack_; }

 private:
  static constexpr std::size_t kFlushSize = 16 * 1024;

  // Marks the span of one public operation; the outermost one hands the buffered bytes over at its
  // end.
  class Batch {
   public:
    explicit Batch(JsonStreamWriter& writer) : writer_(writer) { ++writer_.batchDepth_; }
    ~Batch() {
      if (--writer_.batchDepth_ == 0) writer_.flush();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    JsonStreamWriter& writer_;
  };

  void flush();
  bool writeStringPiece(std::string_view string);
  bool writeNumberPiece(const core::Value& number);
  bool writeScalar(const core::Value& value);
  bool prologue(bool checkKey);
  bool open(const JsonStreamWriterState& newState, char opener);
  bool close(bool checkKey, char closer);
  // The container's key order: entry positions, sorted when sortKeys is set.
  std::vector<std::size_t> keyOrder(const core::Dictionary& dict) const;
  bool writeContainer(const core::Value& root);
  // Appends the string between quotation marks, with its escapes, to the buffer.
  void escape(std::string_view string);

  std::vector<const JsonStreamWriterState*> stateStack_;
  const JsonStreamWriterState* state_;
  JsonStreamWriterDelegate* delegate_ = nullptr;
  std::uint32_t maxDepth_ = 32;
  bool humanReadable_ = false;
  bool sortKeys_ = false;
  KeyComparator sortKeysComparator_;
  std::string error_;
  std::string pending_;  // bytes not yet handed to the delegate
  int batchDepth_ = 0;
};
