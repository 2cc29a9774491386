// Replies of the wrong shape to the feedback screen's send: each one ends in the screen's failure text,
// nothing goes into the history or the page as sent, the typed text stays, and a good reply still
// goes through.

#include <filesystem>

#include "screens/settings/FeedbackHistory.h"
#include "screens/settings/FeedbackViewController.h"
#include "tests/screens/settings/FeedbackFixture.h"
#include "tests/support/HostileReplies.h"

namespace settings_test {
namespace {

using SettingsReplies = FeedbackFixture;

TEST_F(SettingsReplies, AFeedbackSendAnsweredInTheWrongShapeIsNotTakenAsSent) {
  auto screen = make<FeedbackViewController>("feedback");
  push(screen);
  ui::TextField& field = *screen->fendbackTextView();
  auto send = [&](const std::string& text) {
    field.setText("");
    ASSERT_TRUE(h().type(field, text));
    ASSERT_TRUE(h().tap(*screen->sendButton()));
    settleRequests();
    h().drainMain();
  };
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/UserSuggestion"));
    send("一条意见");
    EXPECT_EQ(alertTitle(), FeedbackViewController::kTitle);
    EXPECT_EQ(alertMessage(), FeedbackViewController::kFailedMessage);
    EXPECT_FALSE(std::filesystem::exists(FeedbackHistory::path()));
    EXPECT_EQ(field.text(), "一条意见");
    ASSERT_TRUE(h().press("关闭"));
    h().settle();
    EXPECT_EQ(h().topScreen(), screen.get());
  }
  send("一条意见");
  EXPECT_NE(alertMessage(), FeedbackViewController::kFailedMessage);
  EXPECT_EQ(field.text(), "");
}

}  // namespace
}  // namespace settings_test
