#pragma once
// Node: a catalogue node as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Every field is text.

#include <string>

struct Node {
  std::string ID;
  std::string Name;
  std::string NodeType;
  std::string ParentID;
};
