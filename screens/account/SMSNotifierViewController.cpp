#include "screens/account/SMSNotifierViewController.h"

#include "app/ChosenSubject.h"
#include "app/VDAppStatistics.h"
#include "platform/core/Bundle.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/GestureRecognizer.h"
#include "ui/NavigationItem.h"
#include "ui/TableViewCell.h"
#include "ui/TextMeasurer.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

constexpr const char* kCellIdentifier = "sNotifier";
constexpr double kCardX = 20;
constexpr double kCardY = 10;

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// "%@" of a notice's text.
std::string textOf(const core::Value& v) {
  if (v.isNil()) return "";
  return v.isString() ? v.str() : v.describe();
}

std::shared_ptr<ui::Label> label(ui::Rect frame, std::string text, ui::Font font, int tag) {
  auto l = std::make_shared<ui::Label>(frame, std::move(text));
  l->setFont(std::move(font));
  l->setTag(tag);
  return l;
}

}  // namespace

void SMSNotifierViewController::setLabel(ui::Label& label, const std::string& text, double fontSize,
                                         double maxWidth) {
  const ui::Font font = ui::Font::named("Helvetica", fontSize);
  label.setFont(font);
  label.setNumberOfLines(0);
  label.setLineBreakMode(ui::LineBreakMode::WordWrap);
  label.setBackgroundColor(ui::Color::clear());
  const ui::Size size = ui::sizeWithFont(text, font, {maxWidth, 2000});
  label.setFrame(ui::Rect(label.frame().origin, size));
  label.setText(text);
}

void SMSNotifierViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  tableView_ = std::make_shared<ui::TableView>(root->bounds());
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  tableView_->registerCell(kCellIdentifier, [] {
    return std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  });
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  root->addSubview(tableView_);
  setView(root);
}

void SMSNotifierViewController::viewDidLoad() {
  setTitle("信息通知");
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  msgArr_.clear();
  serviceAmtArr_ = core::Value::newArray();
  getAnnouncement();
}

void SMSNotifierViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void SMSNotifierViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void SMSNotifierViewController::getAnnouncement() {
  const std::string version = core::Bundle::main().version().substr(0, 3);
  systemBll_ = std::make_shared<System>();
  systemBll_->delegate = weakAs<SystemDelegate>();
  systemBll_->getServiceAnnouncement(version, ChosenSubject::current().product.value);
}

void SMSNotifierViewController::didServiceAnnouncement(bool ok, const core::Value& json) {
  const core::Value body = json["Body"];
  // A notice is a list of texts (title, body, date); a reply of another shape shows as none.
  bool notices = ok && body.isArray() && body.size() > 0 && body.size() <= System::kMaxAnnouncements;
  for (std::size_t i = 0; notices && i < body.size(); ++i) notices = body[i].isArray();
  if (!notices) {
    showNoNotices();
    return;
  }
  serviceAmtArr_ = body.deepCopy();
  createMsgView();
}

void SMSNotifierViewController::showNoNotices() {
  if (!noNotices_) {
    noNotices_ = std::make_shared<ui::ImageView>(view().bounds());
    noNotices_->setImage(ui::Image::create(kNoNoticesImage));
    noNotices_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  }
  view().addSubview(noNotices_);
}

std::shared_ptr<ui::View> SMSNotifierViewController::makeCard(int i, const core::Value& notice) {
  auto body = std::make_shared<ui::Label>(ui::Rect(0, 90, kCardWidth, 0));
  body->setTag(i);
  setLabel(*body, textOf(notice[1]), 15, kCardWidth);
  const double height = body->frame().size.height + 100;

  auto card = std::make_shared<ui::View>(ui::Rect(kCardX, kCardY, kCardWidth, height));
  card->setTag(i);
  auto image = [i](ui::Rect frame, const char* name) {
    auto v = std::make_shared<ui::ImageView>(frame);
    v->setImage(ui::Image::create(name));
    v->setTag(i);
    return v;
  };
  card->addSubview(image(ui::Rect(0, 0, kCardWidth, 15), "center_topbluegrey"));
  card->addSubview(image(ui::Rect(0, 22, 35, 28), "center_message"));
  card->addSubview(label(ui::Rect(35, 20, 100, 30), "信息通知" + std::to_string(i + 1), ui::Font::system(15), i));
  card->addSubview(label(ui::Rect(150, 20, 150, 30), textOf(notice[2]), ui::Font::system(15), i));
  card->addSubview(label(ui::Rect(0, 55, kCardWidth, 30), textOf(notice[0]), ui::Font::named("Helvetica-Bold", 17), i));
  card->addSubview(body);

  auto remove = image(ui::Rect(250, height - 20, 30, 30), "center_delect");
  remove->setUserInteractionEnabled(true);
  remove->addGestureRecognizer(
      std::make_shared<ui::TapGestureRecognizer>([w = ui::weakScreen(*this)](ui::GestureRecognizer& tap) {
        auto self = w.lock();
        if (self && tap.view()) self->delectMessage(tap.view()->tag());
      }));
  card->addSubview(remove);

  auto rule = std::make_shared<ui::Button>(ui::Rect(0, height + 5, kCardWidth, 1));
  rule->setBackgroundColor(ui::Color::lightGray());
  rule->setTag(i);
  card->addSubview(rule);
  return card;
}

void SMSNotifierViewController::createMsgView() {
  const core::Value notices = serviceAmtArr_;
  for (std::size_t i = 0; i < notices.size(); ++i) msgArr_.push_back(makeCard(static_cast<int>(i), notices[i]));
  if (tableView_) tableView_->reloadData();
}

void SMSNotifierViewController::delectMessage(int index) {
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), kDeleteMessage,
      [w = ui::weakScreen(*this), index](bool cancelled, int) {
        auto self = w.lock();
        if (!self || cancelled) return;
        core::Array list = self->serviceAmtArr_.array();
        if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return;
        list.erase(static_cast<std::size_t>(index));
        self->msgArr_.clear();
        if (!list.empty()) {
          self->createMsgView();
        } else {
          if (self->tableView_) self->tableView_->reloadData();
          self->showNoNotices();
        }
      },
      "取消", std::vector<std::string>{"确定"});
  alert->show();
}

int SMSNotifierViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(msgArr_.size());
}

std::shared_ptr<ui::TableViewCell> SMSNotifierViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                    ui::IndexPath ip) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  ui::View& content = cell->contentView();
  while (!content.subviews().empty()) content.subviews().back()->removeFromSuperview();
  if (ip.row >= 0 && static_cast<std::size_t>(ip.row) < msgArr_.size()) content.addSubview(msgArr_[ip.row]);
  return cell;
}

double SMSNotifierViewController::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath ip) {
  if (ip.row < 0 || static_cast<std::size_t>(ip.row) >= msgArr_.size()) return 20;
  const ui::Rect card = msgArr_[ip.row]->frame();
  return card.origin.y + card.size.height + 20;
}
