#pragma once
// OtherContent: one row of the auxiliary content (chapter tree, exam-guide index and articles) of an
// update pack. Every field is the column of the same name read as text; nothing means NULL or missing.

#include <optional>
#include <string>

struct OtherContent {
  std::optional<std::string> ID;
  std::optional<std::string> Type;
  std::optional<std::string> TID;
  std::optional<std::string> KeyWord;
  std::optional<std::string> Content;
};
