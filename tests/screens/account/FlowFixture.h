#pragma once
// The account flows under test (registration, e-mail verification, recovery, phone binding, my centre)
// over the account fixture: the loopback server gives fixed codes (image code 8888, SMS code 666666),
// replies are awaited without moving the manual clock (so a countdown moves only when a test advances
// it), and screens are opened in a navigation controller at the window's root.

#include <string>

#include "tests/screens/account/AccountFixture.h"
#include "tests/support/RunUntil.h"
#include "ui/NavigationController.h"

namespace account_test {

inline constexpr const char* kImageCode = "8888";
inline constexpr const char* kSMSCode = "666666";

class FlowFixture : public AccountFixture {
 public:
  void SetUp() override {
    AccountFixture::SetUp();
    if (HasFatalFailure()) return;
    scenario(R"({"fixed_codes": true})");
  }

  // Waits (in real time, the manual clock standing still) until every request has been answered and
  // its reply delivered.
  // A reply that sends the next request (a check, then the SMS) is followed to the end.
  void waitReplies() {
    do {
      ASSERT_TRUE(testsupport::runUntil(
          [] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 20));
      h().drainMain();
    } while (HTTPRequest::sharedQueue().operationCount() != 0);
  }
  // Replies, then the screens' transitions and alerts (this moves the clock).
  void settleAll() {
    waitReplies();
    h().settle();
  }

  // `first` at the root of a new navigation controller on the window, then `then` pushed on it (when
  // given); returns the screen on show.
  template <class T>
  T& open(std::shared_ptr<ui::ViewController> first, std::shared_ptr<ui::ViewController> then = nullptr) {
    nav_ = std::make_shared<ui::NavigationController>(first);
    h().setRoot(nav_);
    if (then) nav_->pushViewController(then, false);
    h().settle();
    return shown<T>();
  }
  static std::shared_ptr<ui::ViewController> make(const char* identifier) {
    auto vc = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
    EXPECT_NE(vc, nullptr) << identifier;
    return vc;
  }
  template <class T>
  T& shown() {
    auto* screen = dynamic_cast<T*>(h().topScreen());
    EXPECT_NE(screen, nullptr) << "on show: " << top();
    return *screen;
  }

  // Empties a field and types the text, as a person does.
  void fill(ui::TextField& field, const std::string& text) {
    ASSERT_TRUE(h().focus(field));
    while (!field.text().empty())
      if (h().backspace(field, 1) == 0) break;
    if (!text.empty()) {
      ASSERT_TRUE(h().type(field, text));
    }
  }
  // Ends the editing of whatever field edits, asking it (as closing the keyboard does).
  void leaveFields() { h().window().endEditing(false); }

  // The title of the top alert ("" when none) and its message.
  std::string alertMessage() {
    ui::AlertView* alert = h().alert();
    return alert ? alert->message() : std::string("<no alert>");
  }
  // Presses the only (or the given) button of the top alert and lets it go.
  void dismissAlert(const std::string& button = "") {
    ui::AlertView* alert = h().alert();
    ASSERT_NE(alert, nullptr);
    h().settle();  // shown in full
    ASSERT_TRUE(h().press(button.empty() ? alert->buttonTitleAtIndex(0) : button));
    h().settle();
  }

  // The verification mails the server sent: [{"to", "subject", "link"}].
  static core::Value mails() {
    const auto reply = server().request("GET", "/__test/mail");
    EXPECT_TRUE(reply.has_value());
    return reply ? JSONValue(reply->body)["mail"] : core::Value();
  }
  // The server's account record of a user (GET state).
  static core::Value serverUser(const std::string& account) {
    const auto reply = server().request("GET", "/__test/state?user=" + account);
    EXPECT_TRUE(reply.has_value());
    return reply ? JSONValue(reply->body) : core::Value();
  }

  std::shared_ptr<ui::NavigationController> nav_;
};

}  // namespace account_test
