#include "screens/account/AccountShared.h"

#include <algorithm>
#include <random>

#include "app/AppShell.h"
#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "service/ServiceShell.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/Utf16.h"
#include "ui/Window.h"

namespace {

AccountScreenMaker& findPasswordMaker() {
  static AccountScreenMaker maker;
  return maker;
}

}  // namespace

void leaveScreen(ui::ViewController& screen) {
  if (screen.rootAncestor()->presentingViewController()) {
    screen.dismissViewController(true);
    return;
  }
  ui::NavigationController* nav = screen.navigationController();
  if (!nav) return;
  const auto& stack = nav->viewControllers();
  if (stack.size() > 1 && stack.back().get() == &screen) nav->popViewController(true);
}

void setFindPasswordScreenMaker(AccountScreenMaker maker) { findPasswordMaker() = std::move(maker); }

std::shared_ptr<ui::ViewController> makeFindPasswordScreen() {
  const AccountScreenMaker& maker = findPasswordMaker();
  return maker ? maker() : nullptr;
}

ui::Color accountAccentColor() { return ui::Color::rgb255(18, 143, 209); }

std::string maskedPhoneNumber(std::string_view number) {
  const std::size_t length = core::utf16Length(number);
  if (length <= 3) return std::string(number);
  const std::size_t end = std::min<std::size_t>(length, 9);
  return core::utf16Substring(number, 0, 3) + "****" + core::utf16Substring(number, end);
}

void showAccountAlert(const std::string& message, const std::string& buttonTitle) {
  const core::Bundle& bundle = core::Bundle::main();
  auto alert = std::make_shared<ui::AlertView>(
      bundle.localizedString("alertTitle"), message, std::weak_ptr<ui::AlertViewDelegate>(),
      std::optional<std::string>(buttonTitle.empty() ? bundle.localizedString("OK") : buttonTitle));
  alert->show();
}

std::string replyFailureText(const core::Value& reply, const std::string& fallback) {
  if (reply.isNilOrNull()) return fallback;
  const core::Value message = reply.isDictionary() ? reply["Message"] : core::Value();
  if (message.isString() && !message.str().empty()) return ReplyCheck::shortened(message.str());
  if (reply.isDictionary()) {
    const core::Value body = reply["Body"];
    if (body.isNull() || (body.isBool() && !body.toBool(false)) || (body.isNumber() && body.toDouble(1) == 0))
      return fallback;
  }
  return ReplyCheck::kMalformedMessage;
}

std::string replyMessage(const core::Value& reply) {
  return replyFailureText(reply, core::Bundle::main().localizedString("requestFaile"));
}

std::string verificationMessage(const core::Value& reply) {
  const core::Value msg = reply.isDictionary() ? reply["msg"] : core::Value();
  if (msg.isString() && !msg.str().empty()) return ReplyCheck::shortened(msg.str());
  return replyMessage(reply);
}

std::size_t lengthAfterChange(const ui::TextField& field, ui::Range16 range, const std::string& replacement) {
  const std::size_t current = core::utf16Length(field.text());
  const std::size_t removed = std::min(range.length, current);
  return current - removed + core::utf16Length(replacement);
}

const std::string& checkCodeCharacters() {
  static const std::string characters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  return characters;
}

std::string makeCheckCode(int length) {
  std::random_device source;
  std::uniform_int_distribution<std::size_t> pick(0, checkCodeCharacters().size() - 1);
  std::string code;
  for (int i = 0; i < length; ++i) code += checkCodeCharacters()[pick(source)];
  return code;
}

core::Value accountUserInfo() {
  const Session* session = Session::current();
  const std::optional<SessionUser> user = session ? session->user() : std::nullopt;
  return user ? user->record : core::Value();
}

void showLoginAsWindowRoot() {
  auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  if (!login) return;
  if (auto* stolen = dynamic_cast<ForcedLogoutLoginScreen*>(login.get())) stolen->setIsStolen(true);
  AppShell* app = AppShell::current();
  if (ui::Window* window = app ? app->window() : nullptr)
    window->setRootViewController(std::make_shared<ui::NavigationController>(login));
}

std::shared_ptr<ui::TextField> makeAccountField(ui::Rect frame, const std::string& placeholder) {
  auto field = std::make_shared<ui::TextField>(frame);
  field->setPlaceholder(placeholder);
  field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  field->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
  field->setFont(ui::Font::system(15));
  return field;
}

std::shared_ptr<ui::Label> makeAccountLabel(ui::Rect frame, const std::string& text, double size, ui::Color color) {
  auto label = std::make_shared<ui::Label>(frame, text);
  label->setFont(ui::Font::system(size));
  label->setTextColor(color);
  return label;
}

ui::Color hintColor() { return ui::Color::rgb255(230, 30, 30); }

std::shared_ptr<ui::Label> makeHintLabel(ui::Rect frame) { return makeAccountLabel(frame, "", 12, hintColor()); }

std::shared_ptr<ui::Button> makeAccountButton(ui::Rect frame, const std::string& title, std::function<void()> action) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setTitle(title);
  button->setTitleColor(ui::Color::white());
  button->setBackgroundColor(accountAccentColor());
  if (action)
    button->addTarget(ui::ControlEvent::TouchUpInside, [action = std::move(action)](ui::Control&) { action(); });
  return button;
}
