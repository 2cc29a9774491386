#include "screens/account/MyCenterViewController.h"

#include "app/AppShell.h"
#include "app/AvatarFile.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "screens/account/AccountShared.h"
#include "screens/account/PersonalDataViewController.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TableViewCell.h"

namespace {
constexpr double kHeaderHeight = 100;
constexpr double kFooterHeight = 64;
}  // namespace

core::Value MyCenterViewController::loadArrayData() {
  core::Value rows = core::Value::newArray();
  rows.push_back(core::Dictionary{{"ZName", "个人资料"}, {"Image", "center_data"}});
  rows.push_back(core::Dictionary{{"ZName", "安全设置"}, {"Image", "center_safety"}});
  rows.push_back(core::Dictionary{{"ZName", "信息通知"}, {"Image", "center_message"}});
  return rows;
}

void MyCenterViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::gray(0.95));
  const double height = root->bounds().size.height;

  imageView_ = std::make_shared<ui::ImageView>(ui::Rect(15, 15, 70, 70));
  imageView_->setImage(ui::Image::create("center_head"));
  root->addSubview(imageView_);
  userName_Lab_ = makeAccountLabel(ui::Rect(100, 18, 210, 24), "", 17);
  userName_Lab_->setFont(ui::Font::boldSystem(17));
  root->addSubview(userName_Lab_);
  account_Lab_ = makeAccountLabel(ui::Rect(100, 44, 210, 40), "", 13, ui::Color::gray(0.3));
  root->addSubview(account_Lab_);

  tableView_ = std::make_shared<ui::TableView>(
      ui::Rect(0, kHeaderHeight, root->bounds().size.width, height - kHeaderHeight - kFooterHeight));
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  tableView_->registerCell(kCellIdentifier, [] {
    return std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  });
  root->addSubview(tableView_);

  logoutButton_ = makeAccountButton(ui::Rect(20, height - kFooterHeight + 12, 280, 40), "退出登录",
                                    screenAction(*this, &MyCenterViewController::cancelAction));
  logoutButton_->setBackgroundColor(ui::Color::rgb255(220, 60, 50));
  logoutButton_->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin);
  root->addSubview(logoutButton_);
  setView(root);
}

void MyCenterViewController::viewDidLoad() {
  setTitle("个人中心");
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  array_ = loadArrayData();
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->GetPrimary();
  account_Lab_->setNumberOfLines(0);
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  tableView_->reloadData();
}

void MyCenterViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  const core::Value info = accountUserInfo();
  const std::string nickName = info["NickName"].toString();
  userName_Lab_->setText(nickName.empty() ? kEmptyNickName : nickName);
  // The avatar of the user name, else of the e-mail address; without either the picture stays.
  if (auto file = AvatarFile::existing(info)) imageView_->setImage(ui::Image::withContentsOfFile(*file));
}

void MyCenterViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void MyCenterViewController::didGetPrimary(bool, const core::Value& json) {
  const core::Value info = accountUserInfo();
  const std::string kind = json["Message"].toString();
  account_ = info[kind == "tel" ? "Tel" : "Email"].toString();
  account_Lab_->setText("Vardo通行证:\n" + account_);
}

// ---- rows ----

int MyCenterViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(array_.size());
}

std::shared_ptr<ui::TableViewCell> MyCenterViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 ui::IndexPath ip) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  const core::Value row = array_[ip.row];
  cell->imageView()->setImage(ui::Image::named(row["Image"].toString()));  // sized from its file
  cell->imageView()->setTransform(ui::Transform::scale(0.6, 0.6));
  cell->textLabel()->setText(row["ZName"].toString());
  cell->textLabel()->setFont(ui::Font::named("Arial", 16));
  cell->textLabel()->setBackgroundColor(ui::Color::clear());
  auto accessory = std::make_shared<ui::ImageView>(ui::Rect(0, 0, 20, 20));
  accessory->setImage(ui::Image::create("center_down"));
  cell->setAccessoryView(accessory);
  return cell;
}

void MyCenterViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  tableView.deselectRowAtIndexPath(ip, false);
  const std::string name = array_[ip.row]["ZName"].toString();
  if (name == "个人资料") {
    push(PersonalDataViewController::kIdentifier);
  } else if (name == "安全设置") {
    push("safeSetup");
  } else if (name == "信息通知") {
    push("sNotifier");
  }
}

void MyCenterViewController::push(const std::string& identifier) {
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
  if (!screen || !navigationController()) return;
  if (auto* personal = dynamic_cast<PersonalDataViewController*>(screen.get())) personal->setAccount(account_);
  navigationController()->pushViewController(screen, true);
}

// ---- logout ----

void MyCenterViewController::cancelAction() {
  auto sheet = std::make_shared<ui::ActionSheet>(kLogoutQuestion, weakAs<ui::ActionSheetDelegate>(),
                                                 std::optional<std::string>("取消"),
                                                 std::optional<std::string>("确定"));
  sheet->setTag(kLogoutSheetTag);
  sheet->showInView(view());
}

void MyCenterViewController::clickedButtonAtIndex(ui::ActionSheet& sheet, int index) {
  if (sheet.tag() != kLogoutSheetTag || index != 0) return;
  AppShell* app = AppShell::current();
  if (!app) return;
  app->logOut();
  auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  if (login && navigationController()) navigationController()->pushViewController(login, true);
}
