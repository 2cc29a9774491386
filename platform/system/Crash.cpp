#include "platform/system/Crash.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <execinfo.h>
#include <link.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <typeinfo>

namespace sys {

namespace {

// ---- alternate signal stack ----

// The alternate stack this thread was given: a guard page below kAlternateStackSize usable bytes.
// It is released when the thread ends, after the thread stops using it.
struct AlternateStack {
  void* mapping = nullptr;
  std::size_t mappingSize = 0;
  void* stack = nullptr;

  ~AlternateStack() {
    if (!mapping) return;
    stack_t current{};
    if (::sigaltstack(nullptr, &current) == 0 && current.ss_sp == stack) {
      stack_t off{};
      off.ss_flags = SS_DISABLE;
      ::sigaltstack(&off, nullptr);
    }
    ::munmap(mapping, mappingSize);
  }
};

thread_local AlternateStack tlAlternateStack;

// ---- terminate handler ----

std::atomic<Crash::TerminateHandler> gPreviousTerminate{nullptr};
std::atomic<bool> gTerminateInstalled{false};

// ---- symbols ----

std::string demangle(const char* name) {
  if (!name) return {};
  int status = 0;
  char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (status == 0 && plain) {
    std::string out(plain);
    std::free(plain);
    return out;
  }
  std::free(plain);
  return name;
}

std::string baseName(const char* path) {
  if (!path || !*path) return "???";
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

std::string executablePath() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

// ---- loaded objects ----

std::vector<std::uint8_t> gnuBuildId(const dl_phdr_info* info) {
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_NOTE) continue;
    const auto* p = reinterpret_cast<const std::uint8_t*>(info->dlpi_addr + ph.p_vaddr);
    const std::uint8_t* end = p + ph.p_memsz;
    while (p + sizeof(ElfW(Nhdr)) <= end) {
      ElfW(Nhdr) note;
      std::memcpy(&note, p, sizeof note);
      const std::uint8_t* name = p + sizeof note;
      const std::uint8_t* desc = name + ((note.n_namesz + 3u) & ~3u);
      const std::uint8_t* next = desc + ((note.n_descsz + 3u) & ~3u);
      if (next > end || desc + note.n_descsz > end) break;
      if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(name, "GNU", 4) == 0)
        return std::vector<std::uint8_t>(desc, desc + note.n_descsz);
      p = next;
    }
  }
  return {};
}

int collectObject(dl_phdr_info* info, std::size_t, void* data) {
  auto& out = *static_cast<std::vector<Crash::LoadedObject>*>(data);
  Crash::LoadedObject object;
  object.path = info->dlpi_name ? info->dlpi_name : "";
  if (out.empty() && object.path.empty()) object.path = executablePath();  // the main program comes first
  object.loadAddress = static_cast<std::uintptr_t>(info->dlpi_addr);
  object.buildId = gnuBuildId(info);
  out.push_back(std::move(object));
  return 0;
}

int collectMainObject(dl_phdr_info* info, std::size_t size, void* data) {
  collectObject(info, size, data);
  return 1;  // the first one is enough
}

}  // namespace

// ---- signals ----

bool Crash::installAlternateStack() {
  stack_t current{};
  if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) &&
      current.ss_size >= kAlternateStackSize)
    return true;
  if (current.ss_flags & SS_ONSTACK) return false;  // running on the old one: it cannot be changed now
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const std::size_t page = pageSize > 0 ? static_cast<std::size_t>(pageSize) : 4096;
  const std::size_t total = kAlternateStackSize + page;
  void* mapping =
      ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (mapping == MAP_FAILED) return false;
  ::mprotect(mapping, page, PROT_NONE);  // an overflow of the handler faults instead of writing below
  stack_t stack{};
  stack.ss_sp = static_cast<char*>(mapping) + page;
  stack.ss_size = kAlternateStackSize;
  stack.ss_flags = 0;
  if (::sigaltstack(&stack, nullptr) != 0) {
    ::munmap(mapping, total);
    return false;
  }
  AlternateStack& mine = tlAlternateStack;
  if (mine.mapping) ::munmap(mine.mapping, mine.mappingSize);  // replaced above, no longer in use
  mine.mapping = mapping;
  mine.mappingSize = total;
  mine.stack = stack.ss_sp;
  return true;
}

bool Crash::installSignalHandlers(SignalHandler handler) {
  installAlternateStack();
  // The first call of ::backtrace loads the unwinder; do it now rather than inside a handler.
  returnAddresses(2);
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_ONSTACK;
  bool ok = true;
  for (int s : kSignals)
    if (::sigaction(s, &action, nullptr) != 0) ok = false;
  return ok;
}

void Crash::restoreDefaultSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) ::sigaction(s, &action, nullptr);
}

void Crash::reraise(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal);
  ::_exit(128 + signal);
}

// ---- terminate ----

void Crash::installTerminateHandler(TerminateHandler handler) {
  TerminateHandler previous = std::set_terminate(handler);
  if (!gTerminateInstalled.exchange(true)) gPreviousTerminate = previous;
}

void Crash::restoreTerminateHandler() {
  if (!gTerminateInstalled) return;
  if (TerminateHandler previous = gPreviousTerminate.load()) std::set_terminate(previous);
}

void Crash::callPreviousTerminateHandler() {
  if (TerminateHandler previous = gPreviousTerminate.load()) previous();
  std::abort();
}

std::optional<Crash::ExceptionDescription> Crash::currentException() {
  const std::type_info* type = abi::__cxa_current_exception_type();
  if (!type) return std::nullopt;
  ExceptionDescription description;
  description.name = demangle(type->name());
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      description.reason = e.what();
    } catch (...) {
    }
  }
  return description;
}

// ---- call stack ----

std::vector<void*> Crash::returnAddresses(int max) {
  if (max <= 0) return {};
  std::vector<void*> frames(static_cast<std::size_t>(max));
  const int n = ::backtrace(frames.data(), max);
  frames.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return frames;
}

std::vector<std::string> Crash::symbolicate(const std::vector<void*>& addresses) {
  std::vector<std::string> lines;
  lines.reserve(addresses.size());
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const auto address = reinterpret_cast<std::uintptr_t>(addresses[i]);
    // A return address may lie just past the end of its caller (a call that never returns), so the
    // caller is looked up one byte earlier.
    const std::uintptr_t lookup = i > 0 && address > 0 ? address - 1 : address;
    Dl_info info{};
    const bool found = ::dladdr(reinterpret_cast<void*>(lookup), &info) != 0;
    const std::string image = found ? baseName(info.dli_fname) : "???";
    std::string symbol;
    std::uintptr_t offset = 0;
    if (found && info.dli_sname && info.dli_saddr) {
      symbol = demangle(info.dli_sname);
      offset = address - reinterpret_cast<std::uintptr_t>(info.dli_saddr);
    } else if (found && info.dli_fbase) {
      symbol = image;
      offset = address - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    } else {
      symbol = "???";
      offset = 0;
    }
    char head[128];
    std::snprintf(head, sizeof head, "%-4zu%-32s0x%016" PRIxPTR " ", i, image.c_str(), address);
    char tail[32];
    std::snprintf(tail, sizeof tail, " + %" PRIuPTR, offset);
    lines.push_back(std::string(head) + symbol + tail);
  }
  return lines;
}

std::vector<std::string> Crash::backtrace(int max) { return symbolicate(returnAddresses(max)); }

// ---- loaded objects ----

std::vector<Crash::LoadedObject> Crash::loadedObjects() {
  std::vector<LoadedObject> objects;
  ::dl_iterate_phdr(collectObject, &objects);
  return objects;
}

std::optional<Crash::LoadedObject> Crash::mainExecutable() {
  std::vector<LoadedObject> objects;
  ::dl_iterate_phdr(collectMainObject, &objects);
  if (objects.empty()) return std::nullopt;
  return objects.front();
}

std::string Crash::buildIdText(const std::vector<std::uint8_t>& id) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < id.size(); ++i) {
    if (id.size() == 16 && (i == 4 || i == 6 || i == 8 || i == 10)) text.push_back('-');
    text.push_back(kDigits[id[i] >> 4]);
    text.push_back(kDigits[id[i] & 0xF]);
  }
  return text;
}

}  // namespace sys
