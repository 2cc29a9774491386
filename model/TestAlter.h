#pragma once
// TestAlter: one question row of an update pack, to be changed or added in the question bank. Every
// field is the column of the same name read as text; nothing means NULL or missing. BatchID is the
// batch whose key enciphers TestContent.

#include <optional>
#include <string>

struct TestAlter {
  std::optional<std::string> AID;
  std::optional<std::string> GUID;
  std::optional<std::string> Type;
  std::optional<std::string> ID;
  std::optional<std::string> BatchID;
  std::optional<std::string> TestContent;
};
