#pragma once
// AppInfo: an application of the catalogue as a declared record.
// Declared and kept for completeness: nothing in the application makes or reads it; the answering
// engine works on the question record (Questions) and the bank's rows. Every field is text.

#include <string>

struct AppInfo {
  std::string ID;
  std::string Name;
};
