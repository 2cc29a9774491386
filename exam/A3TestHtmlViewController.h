#pragma once
// A3TestHtmlViewController: the page of a question answered with several letters (A3TEST; XTEST pages
// behave the same): one checkbox per option.
//
// Reply area: each option is
//   <p><input type="checkbox" id="checkbox_N" name="checkboxgroup" value="N" onclick='checkboxReplyClick()'
//   /> <label for="checkbox_N" onclick='javascript:void(0)'> N.TEXT </label><img name="right_N" ...
//   style='display:none;'/><img name="wrong_N" ... style='display:none;'/><p>
// in practice and exam mode; in reading mode without the onclick; other modes list no options.
// Hidden answer: the base's, and in practice mode the "确认" button (id "btnShowAnswer") that marks the
// choice on the page (saveAndDisplayAnswerClick()).
// Marking: a reply that is not empty is Right when it equals Answer, else Wrong, and is kept; an empty
// reply puts the question back to not answered, without a reply. A partial choice (a checkbox tap in
// practice mode) is kept with state not answered until "确认".
// Restore scripts: displayCheckboxSelect('R'), displayCheckBoxResult('R'), displayCheckBoxResult() /
// dismissCheckBoxResult() for the explanation.

#include <string>

#include "exam/BaseTestHtmlViewController.h"

class A3TestHtmlViewController : public BaseTestHtmlViewController {
 public:
  static std::string loadReplyAreaHtml(const QuestionPageInput& input, QuestionImageStep& images);
  static std::string loadHiddenAnswerHtml(const QuestionPageInput& input);
  PageAreas pageAreas() const override;

  void replyClick(const std::string& reply) override;
  void replyClickOK(const std::string& reply) override;
  void displaySelect(const std::string& reply) override;
  void displayResult() override;
  void displayExplain(bool show) override;
};
