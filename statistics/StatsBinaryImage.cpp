#include "statistics/StatsBinaryImage.h"

#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "statistics/StatsLog.h"

namespace {

std::string executablePath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string directoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string lastComponent(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Lower-case hexadecimal digits of `value`, at least eight with `padded`.
std::string hex(unsigned long long value, bool padded = false) {
  char text[24];  // 16 digits at most
  std::snprintf(text, sizeof text, padded ? "%08llx" : "%llx", value);
  return text;
}

std::vector<unsigned char> gnuBuildId(const dl_phdr_info& info) {
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info.dlpi_phdr[i];
    if (ph.p_type != PT_NOTE) continue;
    const auto* p = reinterpret_cast<const unsigned char*>(info.dlpi_addr + ph.p_vaddr);
    const unsigned char* end = p + ph.p_memsz;
    while (p + sizeof(ElfW(Nhdr)) <= end) {
      ElfW(Nhdr) note;
      std::memcpy(&note, p, sizeof note);
      const unsigned char* name = p + sizeof note;
      const unsigned char* desc = name + ((note.n_namesz + 3u) & ~3u);
      const unsigned char* next = desc + ((note.n_descsz + 3u) & ~3u);
      if (next > end || desc + note.n_descsz > end) break;
      if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(name, "GNU", 4) == 0)
        return std::vector<unsigned char>(desc, desc + note.n_descsz);
      p = next;
    }
  }
  return {};
}

struct Scan {
  std::string executable;
  std::string directory;
  bool first = true;
  core::Value facts;
};

int scanObject(dl_phdr_info* info, std::size_t, void* data) {
  auto& scan = *static_cast<Scan*>(data);
  std::string path = info->dlpi_name ? info->dlpi_name : "";
  if (scan.first && path.empty()) path = scan.executable;  // the main program comes first, unnamed
  scan.first = false;
  const bool own = !path.empty() && (path == scan.executable || directoryOf(path) == scan.directory);
  if (!own) return 0;
  core::Value facts = StatsBinaryImage::factsOf(*info, path);
  if (!facts.isNil()) scan.facts = facts;  // the last one wins
  return 0;
}

}  // namespace

core::Value StatsBinaryImage::factsOf(const dl_phdr_info& info, const std::string& path) {
  // The header is mapped with the segment that starts at offset 0 of the file.
  const unsigned char* header = nullptr;
  const ElfW(Phdr)* text = nullptr;
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info.dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    if (ph.p_offset == 0 && !header)
      header = reinterpret_cast<const unsigned char*>(info.dlpi_addr + ph.p_vaddr);
    if ((ph.p_flags & PF_X) && !text) text = &ph;
  }
  if (!header || std::memcmp(header, ELFMAG, SELFMAG) != 0) {
    std::uint32_t magic = 0;
    if (header) std::memcpy(&magic, header, sizeof magic);
    StatsLog::log("Invalid ELF header magic value: " + hex(magic));
    return {};
  }
  core::Dictionary facts;
  facts.set("image_name", lastComponent(path));
  facts.set("image_base_address", "0x" + hex(reinterpret_cast<std::uintptr_t>(header), true));
  const bool is64 = header[EI_CLASS] == ELFCLASS64;
  std::uint16_t machine = 0;
  std::memcpy(&machine, header + offsetof(Elf32_Ehdr, e_machine), sizeof machine);  // same place in both
  if (text) {
    if (is64) {
      facts.set("binary_slide_address", "0x" + hex(text->p_vaddr, true));
    } else {
      facts.set("slide_address", "0x" + hex(static_cast<std::uint32_t>(text->p_vaddr), true));
    }
  }
  const auto buildId = gnuBuildId(info);
  if (!buildId.empty()) facts.set("binary_uuid", uuidText(buildId));
  facts.set("cpu_arch", cpuArch(machine));
  return core::Value(facts);
}

core::Value StatsBinaryImage::errorSupportInfo() {
  Scan scan;
  scan.executable = executablePath();
  scan.directory = directoryOf(scan.executable);
  ::dl_iterate_phdr(scanObject, &scan);
  return scan.facts;
}

std::string StatsBinaryImage::uuidText(const std::vector<unsigned char>& buildId) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  std::size_t digits = 0;
  for (unsigned char byte : buildId) {
    for (int nibble : {byte >> 4, byte & 0xF}) {
      if (digits == 8 || digits == 12 || digits == 16 || digits == 20) text.push_back('-');
      text.push_back(kDigits[nibble]);
      ++digits;
    }
  }
  return text;
}

std::string StatsBinaryImage::cpuArch(unsigned machine) {
  switch (machine) {
    case EM_X86_64:
      return "x86_64";
    case EM_386:
      return "i386";
    case EM_ARM:
      return "arm-unknown";
    case EM_PPC:
      return "powerpc";
    default:
      return "???";
  }
}
