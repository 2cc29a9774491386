#pragma once
// ATestHtmlViewController: the page of a single-answer question (ATEST; BTEST and PDTEST pages behave
// the same): one radio button per option.
//
// Reply area: in practice and reading mode each option is
//   <p><input type="radio" id="radio_N" name="radiogroup" value="N" onclick='radioReplyClick(this)'/>
//   <label for="radio_N" onclick='javascript:void(0)'> N.TEXT </label><img name="right_N" ...
//   style='display:none;'/><img name="wrong_N" ... style='display:none;'/></p>
// (N the option's name, TEXT its text after the image step); in exam mode the tap calls
// radioReplyClickForTest(this) instead, which only reports the choice; other modes list no options.
// Marking: state Right when the reply equals the question's Answer, else Wrong; the reply is kept; the
// page's explanation button is disabled (userDisAnalysis()).
// Restore scripts: displayRadioSelect('R'), displayRadioResult('R') (R the stored reply, escaped as a
// JavaScript string), displayRadioResult() / dismissRadioResult() for the explanation.

#include <string>

#include "exam/BaseTestHtmlViewController.h"

class ATestHtmlViewController : public BaseTestHtmlViewController {
 public:
  static std::string loadReplyAreaHtml(const QuestionPageInput& input, QuestionImageStep& images);
  PageAreas pageAreas() const override;

  void replyClick(const std::string& reply) override;
  void displaySelect(const std::string& reply) override;
  void displayResult() override;
  void displayExplain(bool show) override;
};
