// The share screen: its three rows, the mail road (the mail application through a "mailto:" address
// when no composer can send, the composer and its outcomes when one can) and the two micro-blog share
// addresses handed to the URL opener.

#include "platform/core/URL.h"
#include "screens/settings/MailComposer.h"
#include "screens/settings/SiteAddresses.h"
#include "screens/settings/SoftShareViewController.h"
#include "tests/screens/settings/FeedbackFixture.h"
#include "tests/support/ScopedOverride.h"

namespace settings_test {
namespace {

// A composer that can send and keeps what it was asked to write.
class ScriptedComposer : public MailComposer {
 public:
  std::string subject;
  std::string body;
  std::function<void(Result)> done;
  bool canSendMail() const override { return true; }
  void compose(const std::string& s, const std::string& b, std::function<void(Result)> d) override {
    subject = s;
    body = b;
    done = std::move(d);
  }
};

class SoftShare : public FeedbackFixture {
 protected:
  SoftShareViewController& open() {
    screen_ = make<SoftShareViewController>("softShare");
    push(screen_);
    return *screen_;
  }
  bool tapRow(int row) {
    const bool tapped = h().tapRow(*screen_->shareTableView(), ui::IndexPath{0, row});
    h().settle();
    return tapped;
  }
  std::shared_ptr<SoftShareViewController> screen_;
};

TEST_F(SoftShare, ThreeRowsInOrder) {
  SoftShareViewController& screen = open();
  EXPECT_EQ(screen.title(), "软件分享");
  const char* rows[] = {"通过邮件分享", "分享到新浪微博", "分享到腾讯微博"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(screen.softShareArray()[i]["ShareModel"].toString(), rows[i]);
    EXPECT_EQ(screen.softShareArray()[i]["Sort"].toInt(), i);
    ASSERT_NE(h().label(rows[i]), nullptr) << rows[i];
  }
  EXPECT_EQ(screen.shareTableView()->numberOfRowsInSection(0), 3);
}

TEST_F(SoftShare, EachRowHandsItsEscapedAddressToTheOpener) {
  const std::string download = SiteAddresses::downloadPage();
  const std::string text = SoftShareViewController::kShareText;
  struct Case {
    int row;
    std::string plain;  // the address before escaping
  };
  const Case cases[] = {
      // Without a composer that can send (the desktop), the mail row opens the mail application.
      {0, "mailto:" + SiteAddresses::mailRecipient() + "?cc=" + SiteAddresses::mailCopies()[0] + "," +
              SiteAddresses::mailCopies()[1] + "&subject=LumetrixVardoiPhone版&body=我正在使用" +
              SiteAddresses::mailExamEdition() + " v1.0 iPhone版，非常好用，快去下载体验吧，下载地址：" +
              SiteAddresses::mobileSite()},
      {1, "http://" + SiteAddresses::sinaShareHost() + "/share/share.php?appkey=&url=" + download + "&title=" + text},
      {2, "http://" + SiteAddresses::tencentShareHost() + "/index.php?c=share&a=index&url=" + download +
              "&pic=&appkey=&title=" + text},
  };
  open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    opener_->opened.clear();
    ASSERT_TRUE(tapRow(c.row));
    ASSERT_EQ(opener_->opened.size(), 1u);
    const std::string& url = opener_->opened[0];
    EXPECT_EQ(url, core::addingPercentEscapes(c.plain));
    // Escaped: no space or character outside ASCII is left, and it reads back as the plain address.
    EXPECT_EQ(url.find_first_of(" \x80\xe4\xe6\xe8\xe9\xef"), std::string::npos) << url;
    EXPECT_EQ(core::removingPercentEscapes(url).value_or(""), c.plain);
    EXPECT_EQ(h().alert(), nullptr);
  }
}

TEST_F(SoftShare, WithAComposerTheMailIsWrittenThereAndItsOutcomeIsTold) {
  auto composer = std::make_shared<ScriptedComposer>();
  testsupport::ScopedOverride<std::shared_ptr<MailComposer>> mail{MailComposer::setShared, composer, nullptr};
  struct Case {
    MailComposer::Result result;
    const char* alert;  // nullptr: none
  };
  const Case cases[] = {{MailComposer::Result::Cancelled, nullptr},
                        {MailComposer::Result::Saved, "邮件已经保存！"},
                        {MailComposer::Result::Sent, "邮件已经发送！"},
                        {MailComposer::Result::Failed, "邮件发送失败！"},
                        {MailComposer::Result::Unknown, "没有发送邮件！"}};
  open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alert ? c.alert : "cancelled");
    composer->done = nullptr;
    ASSERT_TRUE(tapRow(0));
    EXPECT_TRUE(opener_->opened.empty()) << "no mailto: while a composer can send";
    EXPECT_EQ(composer->subject, "LumetrixVardoiPhone版");
    EXPECT_EQ(composer->body, std::string(SoftShareViewController::kShareText) + SiteAddresses::downloadPage());
    ASSERT_TRUE(composer->done);
    composer->done(c.result);
    h().settle();
    if (c.alert) {
      ASSERT_NE(h().alert(), nullptr);
      EXPECT_EQ(h().alert()->title(), "通过邮件分享");
      EXPECT_EQ(h().alert()->message(), c.alert);
      ASSERT_TRUE(h().press("OK"));
      h().settle();
    } else {
      EXPECT_EQ(h().alert(), nullptr);
    }
  }
}

}  // namespace
}  // namespace settings_test
