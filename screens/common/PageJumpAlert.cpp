#include "screens/common/PageJumpAlert.h"

#include <memory>
#include <vector>

#include "app/VDHelper.h"
#include "screens/common/QuestionListPaging.h"
#include "ui/AlertView.h"
#include "widgets/UIAlertViewBlock.h"

void PageJumpAlert::show(const std::string& title, std::function<void(const std::string& typed)> jumped) {
  auto alert = std::make_shared<UIAlertViewBlock>(title, QuestionListPaging::kJumpMessage, nullptr,
                                                  QuestionListPaging::kCancelButton,
                                                  std::vector<std::string>{QuestionListPaging::kJumpButton});
  alert->setAlertViewStyle(ui::AlertView::Style::PlainTextInput);
  std::weak_ptr<ui::AlertPanel> weakAlert = alert->weak_from_this();
  alert->setCompletion([weakAlert, jumped = std::move(jumped)](bool cancelled, int) {
    auto shown = std::static_pointer_cast<ui::AlertView>(weakAlert.lock());
    if (cancelled || !shown) return;
    const ui::TextField* field = shown->textFieldAtIndex(0);
    jumped(field ? field->text() : "");
  });
  alert->show();
}

std::optional<int> PageJumpAlert::pageToOpen(const std::string& typed, int currentPage, int pageCount,
                                             const std::string& samePageMessage) {
  const auto jump = QuestionListPaging::jump(typed, currentPage, pageCount);
  switch (jump.outcome) {
    case QuestionListPaging::Jump::SamePage:
      VDHelper::createAlert(QuestionListPaging::kSamePageTitle, samePageMessage,
                            QuestionListPaging::kOKButton);
      return std::nullopt;
    case QuestionListPaging::Jump::OutOfRange:
      VDHelper::createAlert(QuestionListPaging::kSamePageTitle, QuestionListPaging::rangeMessage(pageCount),
                            QuestionListPaging::kOKButton);
      return std::nullopt;
    case QuestionListPaging::Jump::OtherPage:
      break;
  }
  return jump.page;
}
