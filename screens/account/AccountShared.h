#pragma once
// What the account screens share: leaving a screen, the password-recovery screen's maker, the accent
// colour, texts, alerts and the pieces of their forms.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/core/Value.h"
#include "ui/Button.h"
#include "ui/Color.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"
#include "ui/WeakScreen.h"

// Closes an account screen that is done: when it stands in a presented screen (itself or its
// navigation controller), that presentation is dismissed; when it was pushed, it is popped; otherwise
// (a login screen driven without being shown, the window's root) nothing happens. Animated.
void leaveScreen(ui::ViewController& screen);

// The password-recovery screen the login screen pushes ("找回密码"): built from its own interface rather
// than by a factory identifier, so the area that builds it installs its maker here. Without a maker the
// button pushes nothing.
using AccountScreenMaker = std::function<std::shared_ptr<ui::ViewController>()>;
void setFindPasswordScreenMaker(AccountScreenMaker maker);
std::shared_ptr<ui::ViewController> makeFindPasswordScreen();

// The accent colour of the account forms (buttons, active tabs and steps): 18, 143, 209.
ui::Color accountAccentColor();

// A phone number as the screens show it after a code was sent: the 6 characters from index 3 replaced
// by "****", so an 11-digit number keeps its first 3 and last 2 digits. A shorter text is masked only as
// far as it goes (from index 3 to its end); one of 3 characters or fewer is shown as it is.
std::string maskedPhoneNumber(std::string_view number);

// An alert titled by the localized "alertTitle" with the message and one button (the localized "OK"
// unless another title is given).
void showAccountAlert(const std::string& message, const std::string& buttonTitle = "");

// What to tell the user about a reply that did not confirm what was asked: its "Message" (a non-empty
// text, cut to ReplyCheck::kMaxMessageLength characters) when it has one; `fallback` when no reply
// came or the server refused without a text (a "Body" of false, 0 or null); for a reply of another
// shape (no "Body", a list, a record, a list at the top...) ReplyCheck::kMalformedMessage.
std::string replyFailureText(const core::Value& reply, const std::string& fallback);
// replyFailureText with the localized "requestFaile" text as the fallback.
std::string replyMessage(const core::Value& reply);
// The verification-code service's "msg" (a non-empty text, cut as above), else replyMessage.
std::string verificationMessage(const core::Value& reply);

// The UTF-16 length a field's text would have after the change a text delegate is offered.
std::size_t lengthAfterChange(const ui::TextField& field, ui::Range16 range, const std::string& replacement);

// The characters of the local check codes the recovery screens show: "0" to "9" then "A" to "Z".
const std::string& checkCodeCharacters();
// A local check code: `length` characters of checkCodeCharacters, each drawn uniformly by the system's
// random source.
std::string makeCheckCode(int length = 4);

// The logged-in user's record (the session's "userInfo"); Nil when nobody is logged in.
core::Value accountUserInfo();

// A new login screen (the factory's "login"), made the application window's root inside a new
// navigation controller and marked as having replaced the root (so closing it or logging in shows the
// main screen).
void showLoginAsWindowRoot();

// ---- form pieces of the account screens ----

// A text field with a rounded border, the clear button while editing and the system font of 15.
std::shared_ptr<ui::TextField> makeAccountField(ui::Rect frame, const std::string& placeholder);
// A label in the system font of `size`.
std::shared_ptr<ui::Label> makeAccountLabel(ui::Rect frame, const std::string& text, double size = 15,
                                            ui::Color color = ui::Color::black());
// A red hint label (size 12), empty.
std::shared_ptr<ui::Label> makeHintLabel(ui::Rect frame);
ui::Color hintColor();
// A white title on the accent colour that runs `action` when tapped.
std::shared_ptr<ui::Button> makeAccountButton(ui::Rect frame, const std::string& title, std::function<void()> action);

// An action of a screen that holds the screen weakly (for buttons and blocks that may outlive it).
template <class Screen>
std::function<void()> screenAction(Screen& screen, void (Screen::*action)()) {
  return ui::whileAlive(screen, [action](Screen& self) { (self.*action)(); });
}
