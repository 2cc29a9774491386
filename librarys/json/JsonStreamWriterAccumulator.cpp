#include "librarys/json/JsonStreamWriterAccumulator.h"

void JsonStreamWriterAccumulator::writerAppendBytes(JsonStreamWriter& writer, const std::uint8_t* bytes,
                                                    std::size_t length) {
  data_.insert(data_.end(), bytes, bytes + length);
}
