#pragma once
// DBVersion: one key-batch row of an update pack, as the batch step reads it. Every field is the
// column of the same name read as text; nothing means the column was NULL or missing.

#include <optional>
#include <string>

struct DBVersion {
  std::optional<std::string> ID;
  std::optional<std::string> Version;
  std::optional<std::string> Time;
  std::optional<std::string> BatchID;
};
