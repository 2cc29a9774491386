#pragma once
// A stand-in answering screen for tests of the ways into answering: it records every launch property
// it is given, in order, as text ("setOriginalMode:1", "setIsAllow:NO"), and keeps the pager and the
// question-set reply. Header only, so that any test folder can include it.

#include <memory>
#include <string>
#include <vector>

#include "exam/sets/AnsweringScreen.h"
#include "ui/ViewController.h"

namespace answering_double {

class RecordingAnsweringScreen : public ui::ViewController, public AnsweringScreen {
 public:
  std::string className() const override { return "RecordingAnsweringScreen"; }
  void setTestPager(std::shared_ptr<TestPager> pager) override {
    pager_ = std::move(pager);
    calls.push_back("setTestPager:");
  }
  void setOriginalMode(AnsweringMode mode) override { calls.push_back("setOriginalMode:" + number(mode)); }
  void setRedoMode(AnsweringMode mode) override { calls.push_back("setRedoMode:" + number(mode)); }
  void setFunctionState(FunctionModule module) override {
    calls.push_back("setFunctionState:" + number(module));
  }
  void setChapterName(const std::string& name) override { calls.push_back("setChapterName:" + name); }
  void setChapterID(const std::string& id) override { calls.push_back("setChapterID:" + id); }
  void setTestsJSON(const core::Value& json) override {
    testsJSON = json;
    calls.push_back("setTestsJSON:");
  }
  void setIsAllow(bool v) override { calls.push_back(std::string("setIsAllow:") + yes(v)); }
  void setIsChapterTest(bool v) override { calls.push_back(std::string("setIsChapterTest:") + yes(v)); }
  void setUnSaveRecord(bool v) override { calls.push_back(std::string("setUnSaveRecord:") + yes(v)); }

  std::shared_ptr<TestPager> pager() const { return pager_; }

  std::vector<std::string> calls;
  core::Value testsJSON;

 private:
  template <class E>
  static std::string number(E e) {
    return std::to_string(static_cast<int>(e));
  }
  static const char* yes(bool v) { return v ? "YES" : "NO"; }
  std::shared_ptr<TestPager> pager_;
};

}  // namespace answering_double
