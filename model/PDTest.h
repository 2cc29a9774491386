#pragma once
// PDTest: a true-or-false question as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Fields are text, but for the lists.

#include <string>
#include <vector>

#include "model/Item.h"

struct PDTest {
  std::string AID;
  std::string Answer;
  std::string Explain;
  std::string ID;
  std::vector<Item> Items;
  std::string SortID;
  std::string Title;
};
