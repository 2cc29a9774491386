#pragma once
// ErrorFeedbackViewController ("errorFeedback", title "错题反馈"): reports an error in the question the
// answering screen shows (ErrorFeedbackScreen). The user picks one kind ("试题有错字", "试题重复了",
// "答案有误", or none of them: "其他"), may write a text, and the report goes to the server with the
// question's id and the local bank's highest batch number. A label leads to the user's earlier reports
// ("feedbackRecord").
//
// Kinds: tag 0 to 2 select that kind's button alone and put the "其他" button in its selected look (which
// shows it unchecked); tag 3 clears all four, which is how "其他" is chosen. "其他" needs a text: without
// one the alert "请填写您要提交的意见" shows and nothing is sent.
//
// The text view starts with the prompt "请您留下遇到的错误", which counts as no text; the first time the
// user starts editing, the prompt is cleared.
//
// The reply: an alert titled "alertTitle" with the server's message (the localized "requestFaile" when
// no reply came, "nodataMessage" for a refusal without a message); an accepted report also leaves the
// screen.

#include <memory>
#include <string>

#include "exam/ErrorFeedbackScreen.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "service/Center.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"

class ErrorFeedbackViewController : public ui::ViewController,
                                    public ErrorFeedbackScreen,
                                    public CenterDelegate,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate,
                                    public ui::TextViewDelegate {
 public:
  static constexpr const char* kIdentifier = "errorFeedback";
  static constexpr const char* kTitle = "错题反馈";
  static constexpr const char* kPrompt = "请您留下遇到的错误";
  static constexpr const char* kMissingMessage = "请填写您要提交的意见";
  static constexpr const char* kRecordsLink = "查看我的反馈记录";
  static constexpr const char* kSubmitTitle = "提交";
  static constexpr const char* kErratumLabel = "试题有错字;";
  static constexpr const char* kRepeatLabel = "试题重复了;";
  static constexpr const char* kAnswerLabel = "答案有误;";
  static constexpr const char* kOthersLabel = "其他;";

  std::string className() const override { return "ErrorFeedbackViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- set before showing (ErrorFeedbackScreen) ----
  void setCurrentTest(std::shared_ptr<Questions> test) override { currentTest_ = std::move(test); }
  const std::shared_ptr<Questions>& currentTest() const { return currentTest_; }

  // ---- actions ----
  void isChooesClick(int tag);
  void submitClick();
  void toFeedbackRecord();
  void hidekeyboard();
  void didErrorfeedback(bool ok, const core::Value& json) override;

  // The report's JSON object for the text and the kind's label, as submitClick sends it.
  core::Value errorReport(const std::string& label, const std::string& text) const;

  // ---- text view ----
  bool textViewShouldBeginEditing(ui::TextView& textView) override;
  void textViewDidEndEditing(ui::TextView& textView) override;

  // ---- table (fixed rows) ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  // ---- outlets ----
  ui::Button* erratumBtn() const { return erratumBtn_.get(); }
  ui::Button* repeatBtn() const { return repeatBtn_.get(); }
  ui::Button* answerBtn() const { return answerBtn_.get(); }
  ui::Button* othersBtn() const { return othersBtn_.get(); }
  ui::TextView* feedbackTextView() const { return feedbackTextView_.get(); }
  ui::Label* feedbackLab() const { return feedback_lab_.get(); }
  bool isSelectText() const { return isSelectText_; }

 private:
  void showAlert(const std::string& message) const;

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::Button> erratumBtn_;
  std::shared_ptr<ui::Button> repeatBtn_;
  std::shared_ptr<ui::Button> answerBtn_;
  std::shared_ptr<ui::Button> othersBtn_;
  std::shared_ptr<ui::TextView> feedbackTextView_;
  std::shared_ptr<ui::Label> feedback_lab_;
  std::shared_ptr<ui::Button> submitBtn_;
  std::vector<std::shared_ptr<ui::View>> rowViews_;
  bool isSelectText_ = false;
  std::shared_ptr<Questions> currentTest_;
  std::shared_ptr<Center> centerBll_;
};
