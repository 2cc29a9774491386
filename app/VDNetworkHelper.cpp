#include "app/VDNetworkHelper.h"

#include <algorithm>
#include <vector>

#include "app/AppDelegate.h"
#include "app/ReplyCheck.h"
#include "app/VDHelper.h"
#include "platform/core/Bundle.h"
#include "ui/AlertView.h"
#include "ui/Application.h"
#include "ui/BarButtonItem.h"
#include "ui/Label.h"
#include "ui/NavigationItem.h"
#include "ui/Window.h"
#include "widgets/ProgressHUD.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// Clients whose reply is awaited; main thread only.
std::vector<std::shared_ptr<VDAppInfoClient>>& pendingClients() {
  static std::vector<std::shared_ptr<VDAppInfoClient>> pending;
  return pending;
}

}  // namespace

std::size_t VDNetworkHelper::pendingRequests() { return pendingClients().size(); }

void VDNetworkHelper::getAppInfo(const std::string& bankShortName) {
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app) return;
  if (app->isReachable() == 0) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  const auto& newClient = app->services().newAppInfoClient;
  if (!newClient) return;
  std::shared_ptr<VDAppInfoClient> client = newClient();
  if (!client) return;
  pendingClients().push_back(client);
  VDAppInfoClient* raw = client.get();
  client->appInfo(bankShortName, [raw](bool ok, const core::Value& json) {
    // The client stays alive until this returns; it is let go afterwards.
    auto& pending = pendingClients();
    auto it = std::find_if(pending.begin(), pending.end(), [raw](auto& c) { return c.get() == raw; });
    std::shared_ptr<VDAppInfoClient> keep;
    if (it != pending.end()) {
      keep = *it;
      pending.erase(it);
    }
    didAppInfo(ok, json);
  });
}

void VDNetworkHelper::didAppInfo(bool ok, const core::Value& json) {
  // The application information is a record; anything else is not stored over the one there is.
  if (ok && ReplyCheck::bodyIsRecord(json)) {
    if (AppDelegate* app = VDHelper::getAppdelegate()) app->userSession().set("appInfo", json["Body"]);
    setMinNavigationTitle();
    return;
  }
  const std::string text = ReplyCheck::failureMessage(json);
  auto alert =
      std::make_shared<ui::AlertView>(localized("alertTitle"), text, std::weak_ptr<ui::AlertViewDelegate>(),
                                      std::optional<std::string>("OK"), std::vector<std::string>{});
  alert->show();
}

std::string VDNetworkHelper::minVersion(const std::string& version) {
  const auto dot = version.find('.');
  if (dot == std::string::npos) return version;
  std::string out = version.substr(0, dot + 1);
  for (char c : version.substr(dot + 1)) {
    if (c != '.') out += c;
  }
  return out;
}

void VDNetworkHelper::setMinNavigationTitle() {
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app) return;
  std::shared_ptr<ui::NavigationItem> item = app->mainNavigationItem();
  if (!item) return;
  const core::Value name = app->userSession()["appInfo"]["Name"];
  const std::string version = minVersion(core::Bundle::main().shortVersion());

  auto label = std::make_shared<ui::Label>(ui::Rect(0, 0, 240, 44), name.toString() + "v" + version);
  label->setBackgroundColor(ui::Color::clear());
  label->setFont(ui::Font::boldSystem(17));
  label->setShadow(ui::Color::black(), label->shadowOffset());
  label->setTextAlignment(ui::TextAlignment::Center);
  label->setTextColor(ui::Color::white());
  label->setNumberOfLines(0);
  item->setTitleView(label);
  item->setBackBarButtonItem(
      ui::BarButtonItem::withTitle(kHomeBackTitle, ui::BarButtonItem::Style::Plain, {}));
}

void VDNetworkHelper::hudPrompt(const std::string& text) {
  ui::Application* application = ui::Application::current();
  if (!application) return;
  ui::Window& window = application->keyWindow();
  window.endEditing(true);
  // A newer toast replaces the one on show.
  if (ui::View* old = window.viewWithTag(kToastTag); old && old != &window) old->removeFromSuperview();
  std::shared_ptr<ProgressHUD> hud = ProgressHUD::showHUDAddedTo(window, true);
  hud->setMode(ProgressHUD::Mode::Text);
  hud->setLabelText(text);
  hud->setMargin(kToastMargin);
  hud->setYOffset(kToastYOffset);
  hud->setRemoveFromSuperViewOnHide(true);
  hud->setTag(kToastTag);
  hud->hide(true, kToastDuration);
}
