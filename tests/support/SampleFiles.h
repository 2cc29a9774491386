#pragma once
// The generated sample bank and small file helpers the bank, data-access and update tests share.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

// The generated sample bank: VD_SAMPLE_DIR from the environment, else the build's own sample folder
// (VD_SAMPLE_DIR_DEFAULT, when the test target defines it).
inline std::string sampleDir() {
  const char* dir = getenv("VD_SAMPLE_DIR");
  if (dir && *dir) return dir;
#ifdef VD_SAMPLE_DIR_DEFAULT
  return VD_SAMPLE_DIR_DEFAULT;
#else
  return "";
#endif
}
inline std::string samplePath(const std::string& name) { return sampleDir() + "/" + name; }

// The whole file; "" when it cannot be read.
inline std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
// Writes the file, making its folder first.
inline void writeFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
inline bool exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace testsupport
