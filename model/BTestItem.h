#pragma once
// BTestItem: one question of a shared-choices group (BTest) as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Every field is text.

#include <string>

struct BTestItem {
  std::string Answer;
  std::string Explain;
  std::string ID;
  std::string SortID;
  std::string Title;
};
