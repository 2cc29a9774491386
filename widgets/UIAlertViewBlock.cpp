#include "widgets/UIAlertViewBlock.h"

UIAlertViewBlock::UIAlertViewBlock(std::string title, std::string message, Completion completion,
                                   std::optional<std::string> cancelButtonTitle,
                                   std::vector<std::string> otherButtonTitles)
    : ui::AlertView(std::move(title), std::move(message), {}, std::move(cancelButtonTitle),
                    std::move(otherButtonTitles)),
      completion_(std::move(completion)) {
  onDidDismiss = [this](ui::AlertView&, int index) { alertViewDidDismissWithButtonIndex(index); };
}

void UIAlertViewBlock::alertViewDidDismissWithButtonIndex(int index) {
  // Taken out before the call: the block may show another alert, or drop the last reference to this one.
  Completion completion = std::move(completion_);
  completion_ = nullptr;
  if (completion) completion(index == cancelButtonIndex(), index);
}
