#pragma once
// Reads one whole JSON text into a tree in a single pass: the tokens come from a JsonTokeniser, the
// grammar is checked in line and every container is built as it closes, with no events in between.
// It is the quick way JsonParser takes through a complete text; the stream parser (JsonStreamParser
// with its adapter) stays the reference for what is accepted and for every failure text.
//
// It accepts exactly the texts the stream parser completes on in one call with the same depth limit,
// except that it also refuses (leaving the verdict to the stream parser) anything after the outermost
// container but white space: the stream parser lets a token that the end of the text cuts off pass
// there. What it accepts it reads into the same tree: the same types (the tokeniser makes every number
// and string), objects as ordered dictionaries in which a repeated key keeps the place of its first
// appearance and the value that came last. It keeps no failure text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "librarys/json/JsonTokeniser.h"
#include "platform/core/Value.h"

class JsonDocumentReader {
 public:
  // Containers may nest `maxDepth` deep (the outermost one counts); one level more is refused.
  explicit JsonDocumentReader(std::uint32_t maxDepth) : maxDepth_(maxDepth) {}
  JsonDocumentReader(const JsonDocumentReader&) = delete;
  JsonDocumentReader& operator=(const JsonDocumentReader&) = delete;

  // The outermost dictionary or array of the text, or nothing when the text is refused. The bytes are
  // read where they are. A reader reads one text.
  std::optional<core::Value> read(const std::uint8_t* bytes, std::size_t length);

 private:
  // One container being read: its kind and where its members start on the two stacks.
  struct Frame {
    bool object;
    std::size_t firstValue;
    std::size_t firstKey;
  };

  bool open(JsonToken token);
  // Makes the innermost container from its members; false when it was the outermost one, which is
  // then in `result`.
  bool close(core::Value& result);

  JsonTokeniser tokeniser_;
  std::uint32_t maxDepth_;
  std::vector<Frame> frames_;         // open containers, innermost last
  std::vector<core::Value> values_;   // their members so far
  std::vector<std::string> keys_;     // the keys of the object members, one per value of an object
};
