#pragma once
// AnsweringScreen: the launch properties of the answering screen (screen identifier "examming"), set by
// whoever opens it, after making it with the screen factory and before pushing it. The answering screen
// implements it; launchers find it with a dynamic cast of the made controller. Properties not set keep
// their defaults (no pager, practice, no module, empty texts, Nil JSON, false flags).

#include <memory>
#include <string>

#include "model/AnsweringMode.h"
#include "model/FunctionModule.h"
#include "model/TestPager.h"
#include "platform/core/Value.h"

class AnsweringScreen {
 public:
  virtual ~AnsweringScreen() = default;
  // The question set; its currentTest is the question shown first. Never an empty pager.
  virtual void setTestPager(std::shared_ptr<TestPager> pager) = 0;
  // The mode the screen starts in.
  virtual void setOriginalMode(AnsweringMode mode) = 0;
  // The mode a redo and the stored records use when the screen starts in reading mode.
  virtual void setRedoMode(AnsweringMode mode) = 0;
  // The module that opens the screen (reported with the reply log).
  virtual void setFunctionState(FunctionModule module) = 0;
  // Caption of the set: the chapter's name or the list's title.
  virtual void setChapterName(const std::string& chapterName) = 0;
  virtual void setChapterID(const std::string& chapterID) = 0;
  // The server reply whose "Body" the set was built from; stored in learning records to rebuild it.
  virtual void setTestsJSON(const core::Value& testsJSON) = 0;
  // true: leaving the screen may store a learning record.
  virtual void setIsAllow(bool isAllow) = 0;
  // Passed on to the result screen.
  virtual void setIsChapterTest(bool isChapterTest) = 0;
  // true: no last-learning record is written after a page move.
  virtual void setUnSaveRecord(bool unSaveRecord) = 0;
};
