#pragma once
// Collects the bytes a JsonStreamWriter emits.

#include "librarys/json/JsonStreamWriter.h"
#include "platform/core/Value.h"

class JsonStreamWriterAccumulator : public JsonStreamWriterDelegate {
 public:
  JsonStreamWriterAccumulator() { data_.reserve(8096); }

  void writerAppendBytes(JsonStreamWriter& writer, const std::uint8_t* bytes, std::size_t length) override;

  const core::Bytes& data() const { return data_; }
  core::Bytes takeData() { return std::move(data_); }

 private:
  core::Bytes data_;
};
