#pragma once
// SimulateExamsViewController ("simulateExam"): the four practice entries.
//
//   entry                module  isChapterOnExam  opens                                         event
//   toExamSetting1        2           1           "examSetting1"                               "SimulationExam"
//   toChapter             9           0           "chaptList1", test mode 1, "章节测试"         "ChapterExam"
//   toChapterPratice      1           0           "chaptList1", test mode 0, "章节练习"         -
//   toFastLearning       10           0           "fastLearnList"                              -
//
// Without the chosen bank on the device an entry starts the bank download and opens nothing. Otherwise
// it records its module as the application delegate's currentModule and, when the home screen's last
// learning record is of this bank and module, asks "回到上次练习的试题" ("是" reopens the stored run,
// "否" opens the entry's screen); else it logs its event and opens its screen. The chapter lists get
// the back title "章节练习".

#include <memory>
#include <string>

#include "exam/sets/RestoredRun.h"
#include "ui/Button.h"
#include "ui/ViewController.h"

class MainInterfaceScreen;

class SimulateExamsViewController : public ui::ViewController {
 public:
  static constexpr const char* kIdentifier = "simulateExam";
  static constexpr const char* kTitle = "章节练习";
  static constexpr const char* kResumeMessage = "回到上次练习的试题";

  std::string className() const override { return "SimulateExamsViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- entries (wired to the buttons) ----
  void toExamSetting1();
  void toChapter();
  void toChapterPratice();
  void toFastLearning();

  // ---- operations ----
  void alertViewBlock(const std::string& identifier);
  void pushToExamingVC(const RestoredRun& run);
  void downLibrary();
  void backToMainInterface() {}

  ui::Button* btnExamSetting() const { return btnExamSetting_.get(); }
  ui::Button* btnChapter() const { return btnChapter_.get(); }
  ui::Button* btnChapterPratice() const { return btnChapterPratice_.get(); }
  ui::Button* btnFastLearning() const { return btnFastLearning_.get(); }
  int isChapterOnExam() const { return isChapterOnExam_; }

 private:
  struct Entry {
    int module;
    int isChapterOnExam;
    const char* identifier;
    const char* event;  // nullptr: none
  };
  void enter(const Entry& entry);
  // Makes the screen of an entry, configured for the chosen chapter button, and pushes it.
  void pushEntryScreen(const std::string& identifier);
  MainInterfaceScreen* homeScreen() const;

  std::shared_ptr<ui::Button> btnExamSetting_, btnChapter_, btnChapterPratice_, btnFastLearning_;
  std::shared_ptr<ui::Button> backButton_;
  int isChapterOnExam_ = 0;
};
