#pragma once
// StatsBinaryImage: the facts a crash record of the statistics component carries so that its call
// stack can be read later, taken from the ELF objects loaded into the process (dl_iterate_phdr):
//
//   "image_name"            the object's file name (last path component)
//   "image_base_address"    "0x%08lx" of the address its ELF header is mapped at
//   "binary_slide_address"  64-bit objects: "0x%08llx" of the link-time address of its first executable
//                           segment (its text); "slide_address", "0x%08x", for a 32-bit object instead
//   "binary_uuid"           its GNU build id in upper-case hexadecimal, with "-" after the 8th, 12th,
//                           16th and 20th digit (a 16-byte id reads as a UUID); absent without a build id
//   "cpu_arch"              from the header's machine: "x86_64", "i386", "arm-unknown" (32-bit ARM; its
//                           variant is not in the header), "powerpc", otherwise "???"
//
// Only the app's own objects count: the main executable and objects in the executable's directory;
// of those the last one loaded wins. An object whose mapped header is not ELF is skipped with the log
// line "Invalid ELF header magic value: %x".

#include <string>
#include <vector>

#include "platform/core/Value.h"

struct dl_phdr_info;

class StatsBinaryImage {
 public:
  // The facts of the app's own binary image (see above); Nil when none was found.
  static core::Value errorSupportInfo();
  // The facts of one loaded object at `path`; Nil when its header is not ELF.
  static core::Value factsOf(const dl_phdr_info& info, const std::string& path);

  static std::string uuidText(const std::vector<unsigned char>& buildId);
  static std::string cpuArch(unsigned machine);
};
