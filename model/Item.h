#pragma once
// Item: one choice of a declared question record: its letter or name and its text.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Every field is text.

#include <string>

struct Item {
  std::string Name;
  std::string Text;
};
