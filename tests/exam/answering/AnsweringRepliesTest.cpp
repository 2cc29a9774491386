// Replies of the wrong shape to the requests the answering screen makes while the user answers: the
// favourite star (add and cancel), the notes of a question (the user's own and everyone's) and the
// reply log of a wrong practice answer. Each is asked from the page as a person taps it; the screen
// says what went wrong where it has a text for it, never takes a malformed reply for done, and the run
// goes on.

#include "app/ReplyCheck.h"
#include "exam/QuestionNotesScreen.h"
#include "tests/exam/answering/AnsweringFixture.h"
#include "tests/support/HostileReplies.h"
#include "ui/AlertView.h"

namespace answering_test {
namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// What ReplyCheck::failureMessage says for each hostile reply (no reply for the ones that do not parse).
std::string failureFor(const std::string& reply) {
  for (const char* none : {"truncated", "not UTF-8", "HTTP 500", "HTML with 200", "5,000 deep"})
    if (reply == none) return localized("requestFaile");
  if (reply == "null body") return localized("nodataMessage");
  return ReplyCheck::kMalformedMessage;
}

// Stands in for the notes screen: records what it is handed.
class NotesScreen : public ui::ViewController, public QuestionNotesScreen {
 public:
  std::string className() const override { return "NotesScreen"; }
  void setMyNoteJson(const core::Value& notes) override { myNotes = notes; }
  void setJson(const core::Value& notes) override { all = notes; }
  core::Value myNotes, all;
};

class AnsweringReplies : public AnsweringFixture {
 protected:
  void SetUp() override {
    AnsweringFixture::SetUp();
    VDHelper::installBankLocation();  // the reply log names the bank
  }
  // The web view of the page that shows the current question.
  ui::WebView& currentPage() {
    for (int i = 1; i <= 3; ++i) {
      auto page = screen().basetestVC(i);
      if (page && page->currentTest() == screen().testPager()->currentTest()) return *screen().pageWebView(i);
    }
    ADD_FAILURE() << "no page shows the current question";
    return *screen().pageWebView(1);
  }
  // The user taps a command of the page (the page's link is taken by the screen, not followed).
  void command(const std::string& path) {
    h().web(currentPage()).navigate("vdprotocol://" + path);
    run(0.1);
    settleRequests();
  }
  void waitOutToast() { h().advance(VDNetworkHelper::kToastDuration + 0.5); }
  std::shared_ptr<Questions> current() { return screen().testPager()->currentTest(); }
};

TEST_F(AnsweringReplies, FavouritesNotesAndTheReplyLogSayWhatWentWrongAndTheRunGoesOn) {
  std::shared_ptr<NotesScreen> notes;
  VDViewControllerFactory::registerScreen("allNote", [&notes](const std::string&) {
    notes = std::make_shared<NotesScreen>();
    return notes;
  });
  logIn("user01", "secret1");
  const std::vector<testsupport::HostileReply> replies = testsupport::hostileReplies();
  open(questions(static_cast<int>(replies.size()) + 1), 0, AnsweringMode::Practice);

  for (const testsupport::HostileReply& r : replies) {
    SCOPED_TRACE(r.name);
    const std::shared_ptr<Questions> test = current();

    // The star: neither an add nor a cancel is taken for done; the star goes back and the toast says so.
    test->IsFav = false;
    fault(testsupport::withPath(r.fault, "/api/1.0/json/favour/addfavour"));
    command("favClick/");
    EXPECT_FALSE(test->IsFav);
    EXPECT_EQ(toast(), ExammingViewController::kFavAddFailed);
    waitOutToast();
    test->IsFav = true;
    fault(testsupport::withPath(r.fault, "/api/1.0/json/favour/CancelToFavIDs/*"));
    command("favClick/");
    EXPECT_TRUE(test->IsFav);
    EXPECT_EQ(toast(), ExammingViewController::kFavCancelFailed);
    waitOutToast();

    // The notes: both replies come wrong; the notes screen opens with nothing, and the toast says why.
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/GetMyNote/*"));
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/GetAllNoteByAID/*"));
    notes.reset();
    command("noteClick/%E7%AC%94%E8%AE%B0");
    ASSERT_TRUE(notes);
    EXPECT_EQ(h().topScreen(), notes.get());
    EXPECT_EQ(notes->myNotes.size(), 0u);
    EXPECT_TRUE(notes->all.isNil());
    // A null "Body" is no note: nothing to say.
    EXPECT_EQ(toast(), r.name == "null body" ? std::string() : failureFor(r.name));
    waitOutToast();
    nav_->popToViewController(screen(), false);
    h().settle();

    // The reply log of a wrong answer: sent, nothing awaited; the run goes on to the next question.
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/GKSample/replylog"));
    ASSERT_TRUE(server().clearJournal());
    command("replyclickOK/B");
    // Posted from a worker: it reaches the server a moment later.
    EXPECT_TRUE(runUntil([&] { return requests("/replylog").size() == 1; }, 5));
    settleRequests();
    EXPECT_EQ(h().alert(), nullptr);
    EXPECT_EQ(h().topScreen(), &screen());
    ASSERT_TRUE(tapMove(screen().nextButton()));
    EXPECT_NE(current(), test);
  }

  // Against the normal replies: the star is added and the notes open with the user's note list.
  current()->IsFav = false;
  command("favClick/");
  EXPECT_TRUE(current()->IsFav);
  EXPECT_EQ(toast(), ExammingViewController::kFavAdded);
  waitOutToast();
  notes.reset();
  command("noteClick/%E7%AC%94%E8%AE%B0");
  ASSERT_TRUE(notes);
  EXPECT_EQ(toast(), "");
  EXPECT_TRUE(notes->myNotes.isArray());
}

}  // namespace
}  // namespace answering_test
