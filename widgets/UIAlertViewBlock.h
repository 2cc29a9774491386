#pragma once
// UIAlertViewBlock: an alert that answers with a block. When the alert has been dismissed, the block
// receives whether the dismissing button was the cancel button and that button's index. The block
// runs once.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/AlertView.h"

class UIAlertViewBlock : public ui::AlertView {
 public:
  using Completion = std::function<void(bool cancelled, int buttonIndex)>;

  // Make with std::make_shared. The cancel button (when given) is index 0, the other buttons follow
  // in order.
  UIAlertViewBlock(std::string title, std::string message, Completion completion,
                   std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles);

  const Completion& completion() const { return completion_; }
  void setCompletion(Completion completion) { completion_ = std::move(completion); }

 private:
  void alertViewDidDismissWithButtonIndex(int index);

  Completion completion_;
};
