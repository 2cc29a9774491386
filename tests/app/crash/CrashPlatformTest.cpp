// sys::Crash: build-id texts, the loaded objects, symbolised call stacks, the exception a terminate
// handler sees, and the alternate signal stack.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/system/Crash.h"

namespace crash_test {

// Named functions with external linkage, so that their names reach the exported symbol table.
[[gnu::noinline]] std::vector<std::string> innerStackProbe() {
  std::vector<std::string> lines = sys::Crash::backtrace();
  asm volatile("" ::: "memory");  // keeps the call from becoming a tail call
  return lines;
}

[[gnu::noinline]] std::vector<std::string> outerStackProbe() {
  std::vector<std::string> lines = innerStackProbe();
  asm volatile("" ::: "memory");
  return lines;
}

}  // namespace crash_test

namespace {

std::string executable() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::ptrdiff_t indexOfLineWith(const std::vector<std::string>& lines, const std::string& part) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (core::contains(lines[i], part)) return static_cast<std::ptrdiff_t>(i);
  return -1;
}

TEST(CrashPlatform, BuildIdTexts) {
  struct Case {
    std::vector<std::uint8_t> id;
    const char* text;
  };
  const std::vector<std::uint8_t> sixteen = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                             0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xff};
  std::vector<std::uint8_t> twenty = sixteen;
  twenty.insert(twenty.end(), {0xde, 0xad, 0xbe, 0xef});
  const Case cases[] = {
      {sixteen, "01234567-89AB-CDEF-0011-2233445566FF"},
      {twenty, "0123456789ABCDEF00112233445566FFDEADBEEF"},
      {{0x0a}, "0A"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(sys::Crash::buildIdText(c.id), c.text);
  }
}

TEST(CrashPlatform, MainExecutableComesFirstWithItsBuildId) {
  const auto objects = sys::Crash::loadedObjects();
  ASSERT_GE(objects.size(), 2u);
  EXPECT_EQ(objects.front().path, executable());
  // Debian's toolchain links every program with a GNU build id (20 bytes of SHA-1).
  EXPECT_EQ(objects.front().buildId.size(), 20u);
  const auto main = sys::Crash::mainExecutable();
  ASSERT_TRUE(main.has_value());
  EXPECT_EQ(main->path, objects.front().path);
  EXPECT_EQ(main->buildId, objects.front().buildId);
  EXPECT_EQ(main->loadAddress, objects.front().loadAddress);

  bool libc = false;
  for (const auto& o : objects)
    if (core::contains(core::Paths::lastComponent(o.path), "libc.so")) libc = true;
  EXPECT_TRUE(libc) << "the C library is mapped into every process";
}

TEST(CrashPlatform, CallStackIsSymbolisedInnermostFirst) {
  const std::vector<std::string> lines = crash_test::outerStackProbe();
  ASSERT_GE(lines.size(), 3u);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    EXPECT_TRUE(core::hasPrefix(lines[i], std::to_string(i) + " ")) << "frames are numbered in order";
    EXPECT_TRUE(core::contains(lines[i], " 0x")) << "each frame shows its address";
    EXPECT_TRUE(core::contains(lines[i], " + ")) << "each frame shows its offset";
  }
  const auto inner = indexOfLineWith(lines, "crash_test::innerStackProbe");
  const auto outer = indexOfLineWith(lines, "crash_test::outerStackProbe");
  ASSERT_GE(inner, 0);
  ASSERT_GE(outer, 0);
  EXPECT_LT(inner, outer);
  EXPECT_TRUE(
      core::contains(lines[static_cast<std::size_t>(inner)], core::Paths::lastComponent(executable())));
  EXPECT_GE(indexOfLineWith(lines, "sys::Crash::backtrace"), 0);
}

TEST(CrashPlatform, AddressOutsideAnyObjectIsShownWithoutASymbol) {
  const auto lines = sys::Crash::symbolicate({reinterpret_cast<void*>(0x10)});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(core::hasPrefix(lines[0], "0   ???")) << lines[0];
  EXPECT_TRUE(core::hasSuffix(lines[0], "0x0000000000000010 ??? + 0")) << lines[0];
}

TEST(CrashPlatform, CurrentExceptionNamesTheTypeAndWhat) {
  EXPECT_FALSE(sys::Crash::currentException().has_value()) << "no exception outside a handler";
  try {
    throw std::out_of_range("index 7 of 3");
  } catch (...) {
    const auto e = sys::Crash::currentException();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->name, "std::out_of_range");
    EXPECT_EQ(e->reason, "index 7 of 3");
  }
  try {
    throw 42;
  } catch (...) {
    const auto e = sys::Crash::currentException();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->name, "int");
    EXPECT_FALSE(e->reason.has_value()) << "only a std::exception has a text";
  }
}

TEST(CrashPlatform, EveryThreadCanHaveItsOwnAlternateStack) {
  auto check = [] {
    EXPECT_TRUE(sys::Crash::installAlternateStack());
    stack_t current{};
    ASSERT_EQ(::sigaltstack(nullptr, &current), 0);
    EXPECT_FALSE(current.ss_flags & SS_DISABLE);
    EXPECT_GE(current.ss_size, sys::Crash::kAlternateStackSize);
    const void* first = current.ss_sp;
    EXPECT_TRUE(sys::Crash::installAlternateStack()) << "a second call keeps the stack";
    ASSERT_EQ(::sigaltstack(nullptr, &current), 0);
    EXPECT_EQ(current.ss_sp, first);
  };
  // Worker threads give theirs back when they end; several in a row must not trip over that.
  for (int i = 0; i < 3; ++i) std::thread(check).join();
  check();
}

}  // namespace
