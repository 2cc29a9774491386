#include "screens/settings/InformViewController.h"

#include "app/AppShell.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"

void InformViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::gray(0, 0.5));
  const ui::Size size = root->bounds().size;
  informView_ = std::make_shared<ui::View>(ui::Rect(20, (size.height - 300) / 2, size.width - 40, 300));
  informView_->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin | ui::kAutoresizingFlexibleBottomMargin);
  informView_->setBackgroundColor(ui::Color::white());
  const double w = informView_->bounds().size.width;
  lab_title_ = std::make_shared<ui::Label>(ui::Rect(15, 10, w - 30, 30));
  lab_title_->setTextAlignment(ui::TextAlignment::Center);
  informView_->addSubview(lab_title_);
  inform_textView_ = std::make_shared<ui::TextView>(ui::Rect(15, 45, w - 30, 195));
  inform_textView_->setFont(ui::Font::system(15));
  informView_->addSubview(inform_textView_);
  btn_close_ = std::make_shared<ui::Button>(ui::Rect(15, 250, (w - 40) / 2, 38));
  btn_confirm_ = std::make_shared<ui::Button>(ui::Rect(25 + (w - 40) / 2, 250, (w - 40) / 2, 38));
  for (const auto& [button, title] : {std::pair{btn_close_, kCloseTitle}, std::pair{btn_confirm_, kNextTitle}}) {
    button->setTitle(title);
    button->setTitleColor(ui::Color::white());
    button->setBackgroundColor(ui::Color::rgb255(0, 140, 215));
    button->layer().setCornerRadius(6);
    informView_->addSubview(button);
  }
  btn_close_->addTarget(ui::ControlEvent::TouchUpInside,
                        ui::whileAlive(*this, [](InformViewController& self) { self.removeView(); }));
  root->addSubview(informView_);
  setView(root);
}

void InformViewController::viewDidLoad() {
  tableViewHeight_ = 0;
  ifmCount_ = 0;
  msgViewArr_ = core::Value::newArray();
  informView_->layer().setCornerRadius(10);
  inform_textView_->setEditable(false);
  const Session* session = Session::current();
  const core::Value notices = session ? session->entry("Inform") : core::Value();
  informArr_ = notices.isArray() ? notices : core::Value::newArray();
  const std::size_t count = informArr_.size();
  if (count == 0) {
    btn_confirm_->setHidden(true);
    return;
  }
  if (count > 1) {
    btn_confirm_->addTarget(ui::ControlEvent::TouchUpInside,
                            ui::whileAlive(*this, [](InformViewController& self) { self.loadInformView(); }));
  } else {
    btn_confirm_->setHidden(true);
  }
  loadInformView();
}

void InformViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void InformViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void InformViewController::loadInformView() {
  const int count = static_cast<int>(informArr_.size());
  if (ifmCount_ >= count) return;
  lab_title_->setText("通知" + std::to_string(ifmCount_ + 1));
  lab_title_->setFont(ui::Font::named("Helvetica-Bold", 16));
  lab_title_->setTextColor(ui::Color::rgb255(0, 140, 215));
  const core::Value text = informArr_[ifmCount_][1];
  inform_textView_->setText(text.isNil() ? std::string() : text.describe());
  ifmCount_ += 1;
  if (ifmCount_ == count) btn_confirm_->setHidden(true);
}

void InformViewController::removeView() {
  AppShell* app = AppShell::current();
  if (app && app->window() && view().superview()) {
    app->window()->removeOverlay(*this);
    return;
  }
  view().removeFromSuperview();
}
