#include "app/AppAlerts.h"

#include "platform/runloop/RunLoop.h"
#include "ui/AlertView.h"

void AppAlerts::createAlert(const std::string& title, const std::string& message,
                            const std::string& cancelButtonTitle) {
  auto alert = std::make_shared<ui::AlertView>(
      title.empty() ? std::string("提示") : title, message, std::weak_ptr<ui::AlertViewDelegate>(),
      std::optional<std::string>(cancelButtonTitle.empty() ? std::string("确定") : cancelButtonTitle),
      std::vector<std::string>{});
  alert->show();
}

void AppAlerts::showAlertTitle(const std::string& title, const std::string& message,
                               std::weak_ptr<ui::AlertViewDelegate> delegate,
                               std::optional<std::string> cancelButtonTitle,
                               std::vector<std::string> otherButtonTitles) {
  auto alert = std::make_shared<ui::AlertView>(title, message, std::move(delegate),
                                               std::move(cancelButtonTitle), std::move(otherButtonTitles));
  alert->show();
}

void AppAlerts::createAlertOnMainThread(const std::string& title, const std::string& message,
                                        const std::string& cancelButtonTitle) {
  rl::performOnMainThread([title, message, cancelButtonTitle] { createAlert(title, message, cancelButtonTitle); },
                          false);
}
