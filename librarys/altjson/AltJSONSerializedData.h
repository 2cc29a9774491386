#pragma once
// Finished JSON text handed to AltJSONSerializer, which writes it unchanged.

#include <utility>

#include "librarys/altjson/AltJSONSerializable.h"
#include "platform/core/Value.h"

class AltJSONSerializedData : public AltJSONSerializable {
 public:
  AltJSONSerializedData() = default;
  explicit AltJSONSerializedData(core::Bytes data) : data_(std::move(data)) {}

  const core::Bytes& data() const { return data_; }
  void setData(core::Bytes data) { data_ = std::move(data); }
  core::Bytes serializedJSONData() const override { return data_; }

 private:
  core::Bytes data_;
};
