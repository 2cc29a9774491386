#pragma once
// SimulationExam: asks for the question styles of the subjects chosen for a simulated exam, and posts
// the reply log of a finished exam. Both read the chosen subject's short name (the bank) at each call;
// with no subject chosen nothing is sent.
//
// Make clients with std::make_shared: a call holds its client until the reply has been delivered.

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/Value.h"

class ExamService;

// Callbacks of the simulated exam. Optional: the default does nothing.
struct SimulationExamDelegate {
  virtual ~SimulationExamDelegate() = default;
  virtual void didGetSbjsStyle(bool ok, const core::Value& json) {}
};

class SimulationExam : public std::enable_shared_from_this<SimulationExam> {
 public:
  std::weak_ptr<SimulationExamDelegate> delegate;

  // The most question styles a reply to getSbjsStyle may list for the settings screen to use (a
  // subject has a handful; the screen makes a count field per style). Past it the screen says the
  // reply is unusable.
  static constexpr std::size_t kMaxStyles = 1000;

  std::shared_ptr<ExamService> examService() const;

  // GET 1.0/json/exam/SbjsStyle/<bank>/<subject ids joined by ",">, overlay, body-non-empty, reported
  // on the main thread (false and null without a reply or without a chosen subject).
  void getSbjsStyle(const std::string& sbjIds);
  // POST 1.0/json/exam/<bank>/replylog with the reply-log JSON, no overlay. Reports nothing to anybody:
  // a failed post is lost. May be called from any thread.
  void replylog(const std::string& replyLogJson);

 private:
  std::shared_ptr<ExamService> newService();
  mutable std::mutex mutex_;
  std::shared_ptr<ExamService> examService_;
};
