#pragma once
// RecordArrayFile: the reading side shared by the property-list files that hold an array of records
// (the learning history, the chapter results). A missing file reads as an empty array. A file that is
// there but is not a property-list array (cut short, damaged, written by something else) also reads as
// empty, but is first moved aside to "<name>.unreadable" ("<name>.unreadable.2", ... when taken), so
// the next write does not silently destroy what may still be recovered from it.

#include <string>

#include "platform/core/Value.h"

class RecordArrayFile {
 public:
  // The array in the file at `path` (a fresh array, owned by the caller).
  static core::Value readArray(const std::string& path);
  // Where an unreadable file at `path` was (or would be) put aside: the first free name.
  static std::string asidePath(const std::string& path);
};
