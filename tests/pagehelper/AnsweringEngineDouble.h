#pragma once
// A stand-in answering engine for tests of the shell's ways into answering: it builds questions from
// a question-set body against an in-memory bank, and an answering screen that records its set-up.
// Header only, so that any shell test folder can include it.

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AnsweringEngineSeam.h"
#include "platform/core/Text.h"
#include "ui/ViewController.h"

namespace answering_double {

class FakeQuestion : public AnsweringQuestion {
 public:
  FakeQuestion(std::string id, std::string answer) : id_(std::move(id)), answer_(std::move(answer)) {}
  std::string AllTestID() const override { return id_; }
  std::string Answer() const override { return answer_; }
  std::string reply() const override { return reply_; }
  void setReply(const std::string& reply) override { reply_ = reply; }
  void setState(AnswerState state) override { state_ = state; }
  AnswerState state() const { return state_; }

 private:
  std::string id_, answer_, reply_;
  AnswerState state_ = AnswerState::NotAnswered;
};

class FakePager : public AnsweringPager {
 public:
  explicit FakePager(AnsweringQuestionList tests)
      : tests_(std::move(tests)), current_(tests_.empty() ? nullptr : tests_.front()) {}
  const AnsweringQuestionList& testArray() const override { return tests_; }
  std::shared_ptr<AnsweringQuestion> currentTest() const override { return current_; }
  void setCurrentTest(std::shared_ptr<AnsweringQuestion> test) override { current_ = std::move(test); }

 private:
  AnsweringQuestionList tests_;
  std::shared_ptr<AnsweringQuestion> current_;
};

// An answering screen that records every set-up call as text ("setOriginalMode:1", "setRedoMode:YES").
class RecordingAnsweringScreen : public ui::ViewController, public AnsweringScreen {
 public:
  std::string className() const override { return "RecordingAnsweringScreen"; }
  void setTestPager(std::shared_ptr<AnsweringPager> pager) override {
    pager_ = std::move(pager);
    calls.push_back("setTestPager:");
  }
  void setOriginalMode(AnsweringMode mode) override {
    calls.push_back("setOriginalMode:" + std::to_string(static_cast<int>(mode)));
  }
  void setUnSaveRecord(bool v) override { calls.push_back(std::string("setUnSaveRecord:") + yes(v)); }
  void setIsAllow(bool v) override { calls.push_back(std::string("setIsAllow:") + yes(v)); }
  void setRedoMode(bool v) override { calls.push_back(std::string("setRedoMode:") + yes(v)); }
  void setChapterName(const std::string& name) override { calls.push_back("setChapterName:" + name); }
  void setTestsJSON(const core::Value& json) override {
    testsJSON = json;
    calls.push_back("setTestsJSON:");
  }
  std::shared_ptr<AnsweringPager> pager() const { return pager_; }

  std::vector<std::string> calls;
  core::Value testsJSON;

 private:
  static const char* yes(bool v) { return v ? "YES" : "NO"; }
  std::shared_ptr<AnsweringPager> pager_;
};

// Builds questions as the engine does, from its `bank` (question id -> right answer) instead of the
// local database: sessions in order, each the ids of its type's id key ("ATEST" -> "ATestid") that
// the bank holds, in the bank's (ascending id) order, as the database returns rows. Every body it was
// given is kept in `bodies`.
class FakeAnsweringEngine : public AnsweringEngine {
 public:
  AnsweringQuestionList changeJSonToTestArrayByDB(const core::Value& body) override {
    bodies.push_back(body);
    AnsweringQuestionList out;
    const core::Value sessions = body["Sessions"];
    if (!sessions.isArray()) return out;
    for (const core::Value& session : sessions.array()) {
      const std::string key = idKey(session["Type"].toString());
      if (key.empty()) continue;
      const std::vector<std::string> ids = core::split(session[key].toString(), ",");
      for (const auto& [id, answer] : bank) {
        if (std::find(ids.begin(), ids.end(), id) != ids.end())
          out.push_back(std::make_shared<FakeQuestion>(id, answer));
      }
    }
    return out;
  }
  std::shared_ptr<AnsweringPager> newTestPager(const AnsweringQuestionList& tests) override {
    return std::make_shared<FakePager>(tests);
  }

  static std::string idKey(const std::string& type) {
    static const std::map<std::string, std::string> keys = {
        {"ATEST", "ATestid"},   {"A3TEST", "A3Testid"}, {"BTEST", "BTestid"},  {"XTEST", "XTestid"},
        {"PDTEST", "PDTestid"}, {"JDTEST", "JDTestid"}, {"TKTEST", "TKTestid"}};
    auto it = keys.find(type);
    return it == keys.end() ? std::string() : it->second;
  }

  std::map<std::string, std::string> bank;
  std::vector<core::Value> bodies;
};

}  // namespace answering_double
