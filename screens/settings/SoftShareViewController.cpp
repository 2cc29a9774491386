#include "screens/settings/SoftShareViewController.h"

#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "screens/settings/SiteAddresses.h"
#include "ui/AlertView.h"
#include "ui/WeakScreen.h"

namespace {
constexpr const char* kCellIdentifier = "shareCell";
}

void SoftShareViewController::loadView() {
  shareTableView_ = std::make_shared<ui::TableView>(defaultViewFrame());
  shareTableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  setView(shareTableView_);
}

void SoftShareViewController::viewDidLoad() {
  setTitle(kTitle);
  insertArrayObject("通过邮件分享", 0);
  insertArrayObject("分享到新浪微博", 1);
  insertArrayObject("分享到腾讯微博", 2);
  shareTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  shareTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  shareTableView_->reloadData();
}

void SoftShareViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void SoftShareViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void SoftShareViewController::insertArrayObject(const std::string& model, int sort) {
  softShareArray_.push_back(core::Dictionary{{"ShareModel", model}, {"Sort", sort}});
}

// ---- addresses ----

std::string SoftShareViewController::sinaShareURL() {
  return core::addingPercentEscapes("http://" + SiteAddresses::sinaShareHost() + "/share/share.php?appkey=&url=" +
                                    SiteAddresses::downloadPage() + "&title=" + kShareText);
}

std::string SoftShareViewController::tencentShareURL() {
  return core::addingPercentEscapes("http://" + SiteAddresses::tencentShareHost() +
                                    "/index.php?c=share&a=index&url=" + SiteAddresses::downloadPage() +
                                    "&pic=&appkey=&title=" + kShareText);
}

std::string SoftShareViewController::mailtoURL() {
  const std::string body = "我正在使用" + SiteAddresses::mailExamEdition() +
                           " v1.0 iPhone版，非常好用，快去下载体验吧，下载地址：" + SiteAddresses::mobileSite();
  return core::addingPercentEscapes("mailto:" + SiteAddresses::mailRecipient() +
                                    "?cc=" + core::join(SiteAddresses::mailCopies(), ",") +
                                    "&subject=" + kMailSubject + "&body=" + body);
}

// ---- mail ----

void SoftShareViewController::displayComposerSheet() {
  const auto weak = ui::weakScreen(*this);
  MailComposer::shared()->compose(kMailSubject, std::string(kShareText) + SiteAddresses::downloadPage(),
                                  [weak](MailComposer::Result result) {
                                    if (auto self = weak.lock()) self->mailComposeControllerDidFinish(result);
                                  });
}

void SoftShareViewController::mailComposeControllerDidFinish(MailComposer::Result result) {
  switch (result) {
    case MailComposer::Result::Cancelled:
      return;
    case MailComposer::Result::Saved:
      showAlert("邮件已经保存！");
      return;
    case MailComposer::Result::Sent:
      showAlert("邮件已经发送！");
      return;
    case MailComposer::Result::Failed:
      showAlert("邮件发送失败！");
      return;
    case MailComposer::Result::Unknown:
      break;
  }
  showAlert("没有发送邮件！");
}

void SoftShareViewController::launchMailAppOnDevice() { VDHelper::openURL(mailtoURL()); }

void SoftShareViewController::showAlert(const std::string& message) {
  std::make_shared<ui::AlertView>(kMailAlertTitle, message, std::weak_ptr<ui::AlertViewDelegate>(),
                                  std::string("OK"))
      ->show();
}

// ---- table ----

int SoftShareViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(softShareArray_.size());
}

std::shared_ptr<ui::TableViewCell> SoftShareViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                  ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  cell->textLabel()->setText(softShareArray_[indexPath.row]["ShareModel"].toString());
  cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
  return cell;
}

void SoftShareViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  switch (softShareArray_[indexPath.row]["Sort"].toInt(-1)) {
    case 0:
      if (MailComposer::shared()->canSendMail()) {
        displayComposerSheet();
      } else {
        launchMailAppOnDevice();
      }
      break;
    case 1:
      VDHelper::openURL(sinaShareURL());
      break;
    case 2:
      VDHelper::openURL(tencentShareURL());
      break;
    default:
      break;
  }
}
