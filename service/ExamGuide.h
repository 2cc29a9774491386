#pragma once
// ExamGuide: the exam guide of the chosen question bank: its index and the text of one entry. The local
// operations read the bank (ExamGuideDAO) on the global queue and answer on the main thread; the server
// operations ask the server. Each reports once to the weak delegate: false and null without a result,
// else the rule's flag and the whole result (a reply-shaped object whose "Body" holds the index or the
// entry).
//
// Limits: a server's "Body" list past apiclient::kMaxListEntries fails, as in every client
// (ApiClientSupport.h): the guide's index among them.
//
// Make clients with std::make_shared: a call holds its client until it has reported.

#include <memory>
#include <string>

#include "platform/core/Value.h"

class ExamGuideDAO;
class ExerciseService;

// Callbacks of the exam guide. Every method is optional: the defaults do nothing.
struct ExamGuideDelegate {
  virtual ~ExamGuideDelegate() = default;
  virtual void didGetExamGuide(bool ok, const core::Value& json) {}
  virtual void didGetExamGuideContent(bool ok, const core::Value& json) {}
};

class ExamGuide : public std::enable_shared_from_this<ExamGuide> {
 public:
  std::weak_ptr<ExamGuideDelegate> delegate;

  std::shared_ptr<ExerciseService> exerciseService() const { return exerciseService_; }
  std::shared_ptr<ExamGuideDAO> examGuideDao() const { return examGuideDao_; }

  // GET 1.0/json/exam/<bank>/GetTestInfo, overlay, body-non-empty, didGetExamGuide.
  void getExamGuide(const std::string& bankShortName);
  // The local guide index; body-present (an empty index succeeds), didGetExamGuide. Main thread.
  void getLocalExamGuide();
  // GET 1.0/json/exam/<bank>/GetTestInfoContent/<title>, overlay, body-present,
  // didGetExamGuideContent. The title is escaped once, as one path segment.
  void getExamGuideContent(const std::string& bankShortName, const std::string& title);
  // The local entry with the key word; body-present, didGetExamGuideContent. Main thread.
  void getLocalExamGuideContent(const std::string& keyWord);

 private:
  std::shared_ptr<ExerciseService> exerciseService_;
  std::shared_ptr<ExamGuideDAO> examGuideDao_;
};
