#pragma once
// Chapter: the chapter tree of the chosen question bank. getLocalNavigation reads it from the local
// bank (ChapterDAO) on the global queue and answers on the main thread; getNavigation asks the server
// for it. Both report once to the weak delegate's didGetNavigation: false and null without a result,
// else whether "Body" holds at least one node, with the whole result (a reply-shaped object).
//
// Limits: a server's "Body" list past apiclient::kMaxListEntries fails, as in every client
// (ApiClientSupport.h): the chapter tree's top level among them.
//
// Make clients with std::make_shared: a call holds its client until it has reported.

#include <memory>
#include <string>

#include "platform/core/Value.h"

class ChapterDAO;
class ExerciseService;

// Callbacks of the chapter tree. Optional: the default does nothing.
struct ChapterDelegate {
  virtual ~ChapterDelegate() = default;
  virtual void didGetNavigation(bool ok, const core::Value& json) {}
};

class Chapter : public std::enable_shared_from_this<Chapter> {
 public:
  std::weak_ptr<ChapterDelegate> delegate;

  // The ExerciseService of the latest server call; the ChapterDAO of the latest local read.
  std::shared_ptr<ExerciseService> exerciseService() const { return exerciseService_; }
  std::shared_ptr<ChapterDAO> charpterDao() const { return charpterDao_; }

  // GET 1.0/json/exam/<bank>/Navigation, overlay, body-non-empty.
  void getNavigation(const std::string& bankShortName);
  // The local bank's chapter tree; no overlay; body-non-empty. Main thread.
  void getLocalNavigation();

 private:
  std::shared_ptr<ExerciseService> exerciseService_;
  std::shared_ptr<ChapterDAO> charpterDao_;
};
