#pragma once
// BTest: a shared-choices group (one list of choices, several questions) as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Fields are text, but for the lists.

#include <string>
#include <vector>

#include "model/Item.h"
#include "model/BTestItem.h"

struct BTest {
  std::string AID;
  std::vector<Item> ChoiseItems;
  std::string FrontTitle;
  std::string ID;
  std::vector<BTestItem> Items;
};
