#pragma once
// JDTestHtmlViewController: the page of a short-answer question (JDTEST; TKTEST pages behave the same):
// a text box, never marked.
//
// Reply area: <textarea id="textarea_reply" name="textarea_reply" value="R" onblur="getTextarea()"
// cols='45' rows="5" class="FlatInput">R</textarea>, R the stored reply HTML-escaped (empty without one).
// Leaving the box sends "vdprotocol://replyclick"; the bridge reads the box's text and hands it here:
// a text that is not empty is kept with state FreeText; an empty one changes nothing.

#include <string>

#include "exam/BaseTestHtmlViewController.h"

class JDTestHtmlViewController : public BaseTestHtmlViewController {
 public:
  static std::string loadReplyAreaHtml(const QuestionPageInput& input, QuestionImageStep& images);
  PageAreas pageAreas() const override;

  void replyClick(const std::string& reply) override;
};
