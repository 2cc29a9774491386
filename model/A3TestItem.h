#pragma once
// A3TestItem: one question of a case group (A3Test) as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Fields are text, but for the lists.

#include <string>
#include <vector>

#include "model/Item.h"

struct A3TestItem {
  std::string Answer;
  std::string Explain;
  std::string ID;
  std::vector<Item> Items;
  std::string SortID;
  std::string Title;
};
