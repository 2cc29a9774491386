#pragma once
// RandomTest: asks for a random question set. Reports once to the weak delegate on the main thread:
// false and null without a reply, else whether "Body" is not null, and the whole reply.
//
// The set in "Body" names its questions by id; the screens build it with TestBuilder, which bounds its
// sessions and ids (TestBuilder::kMaxSessions, kMaxQuestionIds) and gives no question past them.
//
// Make clients with std::make_shared: a call holds its client until the reply has been delivered.

#include <memory>
#include <string>

#include "platform/core/Value.h"

class RandomTestService;

// Callbacks of the random test. Optional: the default does nothing.
struct RandomTestDelegate {
  virtual ~RandomTestDelegate() = default;
  virtual void didGetRandomTest(bool ok, const core::Value& json) {}
};

class RandomTest : public std::enable_shared_from_this<RandomTest> {
 public:
  std::weak_ptr<RandomTestDelegate> delegate;

  std::shared_ptr<RandomTestService> randomTestService() const { return randomTestService_; }

  // GET 1.0/json/exam/GetRandomTest/<bank>/<count>, overlay, body-present.
  void getRandomTest(const std::string& bankShortName, const std::string& questionCount);

 private:
  std::shared_ptr<RandomTestService> randomTestService_;
};
