#pragma once
// TKTest: a fill-in-the-blank question as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Every field is text.

#include <string>

struct TKTest {
  std::string AID;
  std::string Answer;
  std::string Explain;
  std::string ID;
  std::string SortID;
  std::string Title;
};
