#pragma once
// URLOpener: hands an outside address (the store page) to whatever opens addresses on this machine.
// The application gets one through AppServices; DesktopURLOpener is the standard one.

#include <string>

class URLOpener {
 public:
  virtual ~URLOpener() = default;
  // True when the address was handed over.
  virtual bool openURL(const std::string& url) = 0;
};

// The desktop's "xdg-open". The caller (the main thread) never waits for it: the opener is started and
// reaped by a job on the global queue (platform/runloop/TaskAndReply.h: blocking jobs go there).
class DesktopURLOpener : public URLOpener {
 public:
  bool openURL(const std::string& url) override;
};
