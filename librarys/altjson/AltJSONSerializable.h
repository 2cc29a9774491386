#pragma once
// Something that already is JSON text: the writers of the second JSON codec copy its bytes unchanged.

#include "platform/core/Value.h"

class AltJSONSerializable {
 public:
  virtual ~AltJSONSerializable() = default;
  virtual core::Bytes serializedJSONData() const = 0;
};
