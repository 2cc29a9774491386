#pragma once
// A3Test: a case group (shared case text, several questions) as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Fields are text, but for the lists.

#include <string>
#include <vector>

#include "model/A3TestItem.h"

struct A3Test {
  std::string AID;
  std::string FrontTitle;
  std::string ID;
  std::vector<A3TestItem> Items;
};
