#pragma once
// PageScriptTarget: a question page that native code can run script in. The web views of the
// answering screen implement it (through a small adapter around ui's web view, since ui never sees
// app headers); tests hand in recording pages.
//
// evaluateJavaScript runs `script` in the page as it is and calls `done` (when given) with the
// script's result as text: "" for undefined, null, non-text results and errors. The call may complete
// later; callers that need the result must not assume it arrives before evaluateJavaScript returns.
// frame() is the page's rectangle in its superview's coordinates (for the answering screen's pages:
// the content of its paging scroll view), used to tell which page is on screen.

#include <functional>
#include <string>

#include "ui/Geometry.h"

class PageScriptTarget {
 public:
  using Completion = std::function<void(const std::string& result)>;

  virtual ~PageScriptTarget() = default;
  virtual void evaluateJavaScript(const std::string& script, Completion done) = 0;
  virtual ui::Rect frame() const = 0;
};
