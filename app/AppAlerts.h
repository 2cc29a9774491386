#pragma once
// AppAlerts: the plain alerts of the application, shown at once on the running application. Main thread.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
struct AlertViewDelegate;
}

class AppAlerts {
 public:
  // Title (or "提示" when empty), message, one button (or "确定" when empty).
  static void createAlert(const std::string& title, const std::string& message,
                          const std::string& cancelButtonTitle);
  // An alert with a delegate, an optional cancel button and further buttons.
  static void showAlertTitle(const std::string& title, const std::string& message,
                             std::weak_ptr<ui::AlertViewDelegate> delegate,
                             std::optional<std::string> cancelButtonTitle,
                             std::vector<std::string> otherButtonTitles);
  // createAlert from any thread: handed to the main thread, never waited for.
  static void createAlertOnMainThread(const std::string& title, const std::string& message,
                                      const std::string& cancelButtonTitle);
};
