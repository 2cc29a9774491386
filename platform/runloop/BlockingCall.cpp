#include "platform/runloop/BlockingCall.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/runloop/RunLoop.h"

namespace rl {
namespace {

std::atomic<int> disallowed{0};
thread_local int allowed = 0;

}  // namespace

bool isBlockingDisallowed() { return disallowed.load() > 0 && allowed == 0 && RunLoop::isMainThread(); }

void assertBlockingAllowed(const char* what) {
#ifndef NDEBUG
  if (!isBlockingDisallowed()) return;
  std::fprintf(stderr,
               "vardo: the main thread blocked on %s while the application runs; post it to a worker "
               "(rl::postTaskAndReply) or, for start-up and exit, open an rl::ScopedAllowBlocking\n",
               what ? what : "a blocking call");
  std::fflush(stderr);
  std::abort();
#else
  (void)what;
#endif
}

ScopedAllowBlocking::ScopedAllowBlocking() { ++allowed; }
ScopedAllowBlocking::~ScopedAllowBlocking() { --allowed; }

ScopedDisallowBlocking::ScopedDisallowBlocking() { disallowed.fetch_add(1); }
ScopedDisallowBlocking::~ScopedDisallowBlocking() { disallowed.fetch_sub(1); }

}  // namespace rl
