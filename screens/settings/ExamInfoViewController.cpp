#include "screens/settings/ExamInfoViewController.h"

#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/URL.h"
#include "screens/settings/ExamWebSiteViewController.h"
#include "screens/settings/SiteAddresses.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"

namespace {

std::shared_ptr<ui::Button> siteButton(ui::Rect frame, const char* title, const char* detail) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setTitle(title);
  button->setTitleColor(ui::Color::white());
  button->setBackgroundColor(ui::Color::rgb255(46, 156, 143));
  button->layer().setCornerRadius(8);
  auto label = std::make_shared<ui::Label>(ui::Rect(0, frame.height() - 22, frame.width(), 18), detail);
  label->setTextColor(ui::Color::rgb255(220, 240, 236));
  label->setFont(ui::Font::system(12));
  label->setTextAlignment(ui::TextAlignment::Center);
  label->setUserInteractionEnabled(false);
  button->addSubview(label);
  return button;
}

}  // namespace

void ExamInfoViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::rgb255(244, 244, 244));
  examInfoButton_ = siteButton(ui::Rect(30, 40, 260, 90), kNewsTitle, "考试动态、政策与报名资讯");
  productButton_ = siteButton(ui::Rect(30, 160, 260, 90), kProductTitle, "更多题库与学习产品");
  const auto weak = ui::weakScreen(*this);
  examInfoButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->btnExamInfoWS();
  });
  productButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->btnProductWS();
  });
  root->addSubview(examInfoButton_);
  root->addSubview(productButton_);
  setView(root);
}

void ExamInfoViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void ExamInfoViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void ExamInfoViewController::btnExamInfoWS() { openSite(kNewsTitle, SiteAddresses::newsSite()); }

void ExamInfoViewController::btnProductWS() { openSite(kProductTitle, SiteAddresses::makerSite()); }

void ExamInfoViewController::openSite(const std::string& title, const std::string& address) {
  auto screen = std::dynamic_pointer_cast<ExamWebSiteViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
          ExamWebSiteViewController::kIdentifier));
  ui::NavigationController* nav = navigationController();
  if (!screen || !nav) return;
  screen->setTitle(title);
  screen->setSUrl(core::addingPercentEscapes(address));
  nav->pushViewController(screen, true);
}
