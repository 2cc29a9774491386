#pragma once
// Finished JSON text handed to AltJSONDataSerializer, which writes it unchanged.

#include <utility>

#include "platform/core/Value.h"

class AltSerializedJSONData {
 public:
  AltSerializedJSONData() = default;
  explicit AltSerializedJSONData(core::Bytes data) : data_(std::move(data)) {}

  const core::Bytes& data() const { return data_; }
  void setData(core::Bytes data) { data_ = std::move(data); }

 private:
  core::Bytes data_;
};
