// Feeds arbitrary bytes as a zip file to the unpacking and checks that nothing lands outside the
// target directory: the target sits alone in a sandbox directory, and after the unpacking the
// sandbox may hold nothing but the target, and the target nothing but plain files and directories.
// Corpus entries ending in an odd byte are unpacked with the password "pw".

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "util/ZipWrapper.h"

namespace fs = std::filesystem;

namespace {

const std::string& workDirectory() {
  static const std::string dir = [] {
    std::string pattern = (fs::temp_directory_path() / "vd-zip-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return dir;
}

void fail(const std::string& what) {
  std::fprintf(stderr, "zip_entry_fuzzer: %s\n", what.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& work = workDirectory();
  const std::string zip = work + "/input.zip";
  const std::string sandbox = work + "/sandbox";
  const std::string target = sandbox + "/target";
  {
    std::ofstream out(zip, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::error_code ec;
  fs::remove_all(sandbox, ec);
  fs::create_directories(target, ec);
  if (ec) fail("cannot make the sandbox");

  {
    ZipWrapper wrapper;
    // The last byte also picks whether a password is given, so that enciphered entries are read too.
    bool withPassword = size > 0 && (data[size - 1] & 1);
    if (withPassword ? wrapper.UnzipOpenFile(zip, "pw") : wrapper.UnzipOpenFile(zip)) {
      wrapper.UnzipFileTo(target, true);
    }
    wrapper.UnzipCloseFile();
  }

  for (const auto& entry : fs::directory_iterator(sandbox, ec)) {
    if (entry.path().filename() != "target") fail("written beside the target: " + entry.path().string());
  }
  for (const auto& entry : fs::directory_iterator(work, ec)) {
    auto name = entry.path().filename();
    if (name != "input.zip" && name != "sandbox")
      fail("written outside the sandbox: " + entry.path().string());
  }
  for (auto it = fs::recursive_directory_iterator(target, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    auto status = it->symlink_status(ec);
    if (!fs::is_regular_file(status) && !fs::is_directory(status))
      fail("not a plain file: " + it->path().string());
  }
  fs::remove_all(sandbox, ec);
  return 0;
}
