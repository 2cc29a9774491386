#pragma once
// PageJumpAlert: the page jump of the paged question lists (favourites, wrong answers, find test, fast
// learning): an alert with a number field, and what the typed number means for the list's pages.

#include <functional>
#include <optional>
#include <string>

class PageJumpAlert {
 public:
  // Shows the alert: `title`, QuestionListPaging::kJumpMessage, a text field, kCancelButton and
  // kJumpButton. The jump button hands `jumped` what the field holds; cancelling does nothing.
  static void show(const std::string& title, std::function<void(const std::string& typed)> jumped);

  // The page to open for the typed text, read against the list's current page and page count. The
  // current page tells `samePageMessage` and a number outside 1..pageCount tells the range (alerts titled
  // QuestionListPaging::kSamePageTitle with an "OK" button); both give nullopt.
  static std::optional<int> pageToOpen(const std::string& typed, int currentPage, int pageCount,
                                       const std::string& samePageMessage);
};
