#pragma once
// UserHeaderView: a header view with one background button whose action does nothing. Main thread only.

#include <memory>

#include "ui/Button.h"
#include "ui/View.h"

class UserHeaderView : public ui::View {
 public:
  // The platform's initialiser only. Make with std::make_shared.
  explicit UserHeaderView(ui::Rect frame = {});
  std::string className() const override { return "UserHeaderView"; }

  // Held weakly: whoever lays the button out owns it (as a subview).
  std::shared_ptr<ui::Button> backgroundButton() const { return backgroundButton_.lock(); }
  void setBackgroundButton(std::weak_ptr<ui::Button> button) { backgroundButton_ = std::move(button); }

  void userLoginClick(ui::Control& sender);

 private:
  std::weak_ptr<ui::Button> backgroundButton_;
};
