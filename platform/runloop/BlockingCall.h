#pragma once
// Checks that the main thread of a running application never waits on a socket or the disk.
//
// The places where this code base blocks (a blocking connect, read or write of a socket, a synchronous
// HTTP request, an fsync, a wait for a file writer) call assertBlockingAllowed() first. In a debug build
// (NDEBUG not defined) it ends the process with a message naming the call when:
//   - the calling thread is the main thread (RunLoop::isMainThread()),
//   - blocking is disallowed there: a ScopedDisallowBlocking is open (ui::Application opens one for
//     as long as the application is launched, so plain unit tests are not checked), and
//   - no ScopedAllowBlocking is open on the thread (start-up and exit paths that must wait).
// Worker threads are never checked. In a release build the check does nothing.
//
// Both scopes nest and belong to the thread that opened them; open and close them on the same thread.

namespace rl {

void assertBlockingAllowed(const char* what);
// Whether a blocking call would be refused on this thread right now (whatever the build type).
bool isBlockingDisallowed();

// Lets this thread block while it is open (start-up, exit, a test's own set-up).
class ScopedAllowBlocking {
 public:
  ScopedAllowBlocking();
  ~ScopedAllowBlocking();
  ScopedAllowBlocking(const ScopedAllowBlocking&) = delete;
  ScopedAllowBlocking& operator=(const ScopedAllowBlocking&) = delete;
};

// Refuses blocking calls on the main thread while it is open (any thread may open it; it counts for the
// process's main thread).
class ScopedDisallowBlocking {
 public:
  ScopedDisallowBlocking();
  ~ScopedDisallowBlocking();
  ScopedDisallowBlocking(const ScopedDisallowBlocking&) = delete;
  ScopedDisallowBlocking& operator=(const ScopedDisallowBlocking&) = delete;
};

}  // namespace rl
