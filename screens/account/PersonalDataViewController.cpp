#include "screens/account/PersonalDataViewController.h"

#include "app/AppShell.h"
#include "app/AvatarFile.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/account/AccountShared.h"
#include "service/ApiClientSupport.h"
#include "service/ServerConfig.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationItem.h"
#include "ui/TableViewCell.h"
#include "ui/WeakScreen.h"
#include "util/VDValidateHelper.h"
#include "widgets/ProgressHUD.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

constexpr double kHeaderHeight = 150;
constexpr double kToastMargin = 10;
constexpr double kToastYOffset = 150;
constexpr double kToastDuration = 1.0;
constexpr double kZoomDuration = 1.0;
constexpr const char* kSaveFailed = "头像保存失败";

std::string sexText(bool female) { return female ? "女" : "男"; }

}  // namespace

unsigned PersonalDataViewController::unicodeLengthOfString(std::string_view text) {
  unsigned sum = 0;
  for (char16_t unit : core::toUtf16(text)) sum += unit > 127 ? 2 : 1;
  return (sum + 1) / 2;
}

std::string PersonalDataViewController::shownNickName(const std::string& nickName) {
  return nickName.empty() ? kEmptyNickName : nickName;
}

core::Value PersonalDataViewController::userInfo() const {
  const Session* session = Session::current();
  const std::optional<SessionUser> user = session ? session->user() : std::nullopt;
  return user ? user->record : core::Value();
}

ui::Button* PersonalDataViewController::editButton(int tag) const {
  return tag >= 1 && tag <= 3 ? editButtons_[tag - 1].get() : nullptr;
}

// ---- view ----

void PersonalDataViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::rgb255(240, 240, 240));
  const auto w = ui::weakScreen(*this);
  auto self = [w] { return w.lock(); };

  auto title = std::make_shared<ui::Label>(ui::Rect(20, 15, 80, 24), "头像");
  title->setFont(ui::Font::system(16));
  root->addSubview(title);
  avatarButton_ = std::make_shared<ui::Button>(ui::Rect(130, 70, 110, 34));
  avatarButton_->setTitle("更换头像");
  avatarButton_->setTitleColor(ui::Color::rgb255(30, 90, 170));
  avatarButton_->addTarget(ui::ControlEvent::TouchUpInside, [self](ui::Control&) {
    if (auto s = self()) s->selectImageClick();
  });
  root->addSubview(avatarButton_);

  tableView_ = std::make_shared<ui::TableView>(
      ui::Rect(0, kHeaderHeight, root->bounds().size.width, root->bounds().size.height - kHeaderHeight));
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  root->addSubview(tableView_);

  auto value = [] {
    auto l = std::make_shared<ui::Label>(ui::Rect(80, 7, 165, 30));
    l->setFont(ui::Font::system(16));
    return l;
  };
  account_Lab_ = value();
  lab_nicheng_ = value();
  lab_sex_ = value();
  lab_region_ = value();
  for (int tag = 1; tag <= 3; ++tag) {
    auto b = std::make_shared<ui::Button>(ui::Rect(250, 7, 60, 30));
    b->setTitle("修改");
    b->setTitleColor(ui::Color::rgb255(30, 90, 170));
    b->setTag(tag);
    b->addTarget(ui::ControlEvent::TouchUpInside, [self, tag](ui::Control&) {
      if (auto s = self()) s->textAlertView(tag);
    });
    editButtons_[tag - 1] = b;
  }

  // In front of the rows, so that the zoomed avatar covers them; it takes touches (touchesBegan).
  avatar_ = std::make_shared<ui::ImageView>(kAvatarFrame);
  avatar_->setUserInteractionEnabled(true);
  avatar_->setContentMode(ui::ContentMode::ScaleAspectFit);
  root->addSubview(avatar_);
  setView(root);
}

void PersonalDataViewController::viewDidLoad() {
  setTitle("个人资料");
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  const core::Value info = userInfo();
  isfemale_ = !info["Sex"].toBool();
  refreshLabels();
  tableView_->reloadData();
  setImage();
}

void PersonalDataViewController::refreshLabels() {
  const core::Value info = userInfo();
  account_Lab_->setText(info["UserName"].toString());
  lab_nicheng_->setText(shownNickName(info["NickName"].toString()));
  lab_sex_->setText(sexText(!info["Sex"].toBool()));
  lab_region_->setText(info["Address"].toString());
}

void PersonalDataViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void PersonalDataViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

std::shared_ptr<ui::TableViewCell> PersonalDataViewController::cellForRowAtIndexPath(ui::TableView&,
                                                                                     ui::IndexPath ip) {
  static const char* const kTitles[] = {"帐号", "昵称", "性别", "地区"};
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  if (ip.row < 0 || ip.row > 3) return cell;
  auto title = std::make_shared<ui::Label>(ui::Rect(15, 7, 60, 30), kTitles[ip.row]);
  title->setFont(ui::Font::system(16));
  ui::View& content = cell->contentView();
  content.addSubview(title);
  const std::shared_ptr<ui::Label>* values[] = {&account_Lab_, &lab_nicheng_, &lab_sex_, &lab_region_};
  content.addSubview(*values[ip.row]);
  if (ip.row > 0) content.addSubview(editButtons_[ip.row - 1]);
  return cell;
}

void PersonalDataViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  tableView.deselectRowAtIndexPath(ip, false);
  hidekeyboard();
}

void PersonalDataViewController::hidekeyboard() {
  if (ui::View* root = viewIfLoaded()) root->endEditing(true);
}

void PersonalDataViewController::showAlertView(const std::string& message) {
  auto alert = std::make_shared<ui::AlertView>(localized("alertTitle"), message,
                                               std::weak_ptr<ui::AlertViewDelegate>(),
                                               std::optional<std::string>(localized("OK")));
  alert->show();
}

void PersonalDataViewController::setEditButtonsEnabled(bool enabled) {
  avatarButton_->setUserInteractionEnabled(enabled);
  editButtons_[0]->setUserInteractionEnabled(enabled);
  editButtons_[1]->setUserInteractionEnabled(enabled);
}

// ---- editing ----

void PersonalDataViewController::textAlertView(int tag) {
  if (tag == kNickNameTag) {
    textOrder_ = 1;
    auto alert = std::make_shared<ui::AlertView>("昵称修改", "", weakAs<ui::AlertViewDelegate>(),
                                                 std::optional<std::string>("取消"),
                                                 std::vector<std::string>{"修改"});
    alert->setAlertViewStyle(ui::AlertView::Style::PlainTextInput);
    if (ui::TextField* field = alert->textFieldAtIndex(0)) {
      field->setKeyboardType(ui::KeyboardType::Default);
      field->setText(lab_nicheng_->text());
    }
    alert->show();
  } else if (tag == kSexTag) {
    textOrder_ = 2;
    auto sheet = std::make_shared<ui::ActionSheet>(std::nullopt, weakAs<ui::ActionSheetDelegate>(),
                                                   std::optional<std::string>("取消"), std::nullopt,
                                                   std::vector<std::string>{"男", "女"});
    sheet->setTag(kSexSheetTag);
    sheet->showInView(*tableView_);
  } else if (tag == kRegionTag) {
    textOrder_ = 3;
    loadRegionView();
  }
}

void PersonalDataViewController::clickedButtonAtIndex(ui::AlertView& alert, int index) {
  if (textOrder_ != 1 || index != 1) return;
  ui::TextField* field = alert.textFieldAtIndex(0);
  const std::string entry = field ? field->text() : std::string();
  if (entry.empty()) {
    showAlertView(kNickLength);
    return;
  }
  if (entry[0] >= '0' && entry[0] <= '9') {
    showAlertView(kNickDigit);
    return;
  }
  const unsigned length = unicodeLengthOfString(entry);
  if (length < 2 || length > 10) {
    showAlertView(kNickLength);
    return;
  }
  if (!isValidateChar(entry)) {
    showAlertView(kNickIllegal);
    return;
  }
  if (entry == lab_nicheng_->text()) return;
  nickName_ = entry;
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->checkNewUsername(entry, "NickName");
}

void PersonalDataViewController::didCheckNewUsername(bool ok, const core::Value& json) {
  isUsable_ = ok;
  if (ok) {
    submitUpdate();
    return;
  }
  // The refused name is not kept: a later change of another field must not send it.
  nickName_.reset();
  showAlertView(replyMessage(json));
}

void PersonalDataViewController::clickedButtonAtIndex(ui::ActionSheet& sheet, int index) {
  if (sheet.tag() == kSexSheetTag) {
    if (index == 0)
      isfemale_ = false;
    else if (index == 1)
      isfemale_ = true;
    else
      return;  // cancel
    if (isfemale_ != (lab_sex_->text() == "女")) submitUpdate();
    return;
  }
  if (sheet.tag() != kAvatarSheetTag) return;
  std::optional<ui::ImagePickerSourceType> source;
  if (ui::ImagePickerController::isSourceTypeAvailable(ui::ImagePickerSourceType::Camera)) {
    if (index == 0) source = ui::ImagePickerSourceType::Camera;
    if (index == 1) source = ui::ImagePickerSourceType::PhotoLibrary;
  } else if (index == 0) {
    source = ui::ImagePickerSourceType::SavedPhotosAlbum;
  }
  if (!source) return;
  auto picker = std::make_shared<ui::ImagePickerController>();
  picker->setDelegate(weakAs<ui::ImagePickerControllerDelegate>());
  picker->setAllowsEditing(true);
  picker->setSourceType(*source);
  presentViewController(picker, true);
}

// ---- region ----

void PersonalDataViewController::loadRegionView() {
  if (regionView_ && regionView_->superview()) return;  // already open
  regionSource_ = std::make_shared<CityPickerSource>(CityPickerSource::loadCityList().value_or(
      std::vector<CityListProvince>{}));
  regionView_ = RegionView::loadFromInterface();
  const ui::Rect bounds = view().bounds();
  regionView_->setFrame(ui::Rect(0, bounds.size.height - RegionView::kHeight, RegionView::kWidth,
                                 RegionView::kHeight));
  regionView_->pickerView()->setDataSource(weakAs<RegionPickerViewDataSource>());
  regionView_->pickerView()->setDelegate(weakAs<RegionPickerViewDelegate>());
  regionView_->setDelegate(weakAs<RegionViewDelegate>());
  tableView_->setScrollEnabled(false);
  setEditButtonsEnabled(false);
  view().addSubview(regionView_);
}

int PersonalDataViewController::numberOfComponentsInPickerView(RegionPickerView& picker) {
  return regionSource_ ? regionSource_->numberOfComponentsInPickerView(picker) : 0;
}

int PersonalDataViewController::numberOfRowsInComponent(RegionPickerView& picker, int component) {
  return regionSource_ ? regionSource_->numberOfRowsInComponent(picker, component) : 0;
}

std::string PersonalDataViewController::titleForRow(RegionPickerView& picker, int row, int component) {
  return regionSource_ ? regionSource_->titleForRow(picker, row, component) : "";
}

void PersonalDataViewController::didSelectRow(RegionPickerView& picker, int row, int component) {
  if (regionSource_) regionSource_->didSelectRow(picker, row, component);
}

void PersonalDataViewController::didCancelPicker(int tag) {
  setEditButtonsEnabled(true);
  tableView_->setScrollEnabled(true);
  if (!regionSource_) return;
  const std::string text = regionSource_->regionText();
  if (text == lab_region_->text() || tag == RegionView::kCancelTag) return;
  address_ = text;
  submitUpdate();
}

// ---- sending ----

void PersonalDataViewController::submitUpdate() {
  AppShell* app = AppShell::current();
  if (!app) return;
  if (!app->isReachable()) {
    // Nothing goes out: the pending change is dropped with it.
    nickName_.reset();
    address_.reset();
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  centerBll_ = std::make_shared<Center>();
  centerBll_->delegate = weakAs<CenterDelegate>();
  core::Value body = core::Value::dictionary();
  if (nickName_) body.set("NickName", *nickName_);
  if (address_) body.set("Address", *address_);
  if (!nickName_ && !address_) body.set("Sex", isfemale_ ? 0 : 1);
  centerBll_->setPersonalDetails(JSONRepresentation(body).value_or("{}"));
}

void PersonalDataViewController::didSetPersonalDetails(bool ok, const core::Value& json) {
  if (ok) {
    showAlertView(kChanged);
    core::Value info = userInfo();
    if (info.isDictionary()) {
      if (nickName_) info.set("NickName", *nickName_);
      info.set("Sex", isfemale_ ? "0" : "1");
      if (address_) info.set("Address", *address_);
    }
    lab_nicheng_->setText(shownNickName(info["NickName"].toString()));
    lab_sex_->setText(sexText(isfemale_));
    lab_region_->setText(info["Address"].toString());
  } else {
    showAlertView(replyMessage(json));
  }
  nickName_.reset();
  address_.reset();
}

// ---- avatar ----

void PersonalDataViewController::setImage() {
  if (auto file = AvatarFile::existing(userInfo())) {
    avatar_->setImage(ui::Image::withContentsOfFile(*file));
    return;
  }
  // No avatar on the device: the server's, shown and not kept.
  const std::string url = AvatarFile::downloadURL(userInfo()["ID"].toString());
  if (url.empty()) return;
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this), [url] { return AvatarFile::download(url); },
      [](PersonalDataViewController& self, std::optional<std::string> bytes) {
        // A picture the user chose meanwhile stays.
        if (!bytes || !self.avatar_ || self.avatar_->tag() == kAvatarTag) return;
        if (auto image = ui::Image::withData(std::move(*bytes))) self.avatar_->setImage(image);
      });
}

void PersonalDataViewController::selectImageClick() {
  const bool camera = ui::ImagePickerController::isSourceTypeAvailable(ui::ImagePickerSourceType::Camera);
  std::vector<std::string> buttons;
  if (camera) buttons.push_back("拍照");
  buttons.push_back("从相册选择");
  auto sheet = std::make_shared<ui::ActionSheet>(std::optional<std::string>("选择"),
                                                 weakAs<ui::ActionSheetDelegate>(),
                                                 std::optional<std::string>("取消"), std::nullopt, buttons);
  sheet->setTag(kAvatarSheetTag);
  sheet->showInView(*tableView_);
}

void PersonalDataViewController::didFinishPickingMediaWithInfo(ui::ImagePickerController& picker,
                                                               const ui::PickedImage& info) {
  const auto w = ui::weakScreen(*this);
  picker.dismissViewController(true, [w, info] {
    if (auto self = w.lock()) self->pickerDismissed(info);
  });
}

void PersonalDataViewController::imagePickerControllerDidCancel(ui::ImagePickerController& picker) {
  picker.dismissViewController(true);
}

void PersonalDataViewController::pickerDismissed(const ui::PickedImage& info) {
  if (!info.editedImage || !info.editedImage->hasData()) {
    VDNetworkHelper::hudPrompt(kUnreadablePicture);
    return;
  }
  const std::string name = userInfo()["UserName"].toString();
  // The picture is encoded and written on a worker; the screen shows and uploads it when it is there.
  const std::string path = AvatarFile::path(name);
  rl::postTaskAndReply(
      rl::DispatchQueue::global(),
      std::weak_ptr<PersonalDataViewController>(
          std::static_pointer_cast<PersonalDataViewController>(shared_from_this())),
      [bytes = std::string(info.editedImage->data()), name] { return AvatarFile::save(bytes, name); },
      [path](PersonalDataViewController& self, bool saved) { self.avatarSaved(saved, path); });
}

void PersonalDataViewController::avatarSaved(bool saved, const std::string& path) {
  if (!saved) {
    VDNetworkHelper::hudPrompt(kSaveFailed);
    return;
  }
  isFullScreen_ = false;
  avatar_->setImage(ui::Image::withContentsOfFile(path));
  avatar_->setTag(kAvatarTag);
  asynchronousUpload(path);
}

void PersonalDataViewController::asynchronousUpload(const std::string& path) {
  uploadRequest_ = FormDataRequest::requestWithURL(
      core::URL::parse(ServerConfig::current().mainURL("1.0/json/user/SetPhoto")));
  if (!uploadRequest_) {
    headPortraitFail();
    return;
  }
  uploadRequest_->setRequestMethod("POST");
  uploadRequest_->appendPostDataFromFile(path);
  const auto w = ui::weakScreen(*this);
  std::weak_ptr<FormDataRequest> request = uploadRequest_;
  auto fail = [w] {
    if (auto self = w.lock()) self->headPortraitFail();
  };
  uploadRequest_->setFailedBlock(fail);
  // An answer that is not the server's yes (a refusal, a page that is not the reply) failed too.
  uploadRequest_->setCompletionBlock([request, fail] {
    auto r = request.lock();
    if (!r || !apiclient::bodyIsTrue(JSONValue(r->responseData()))) fail();
  });
  uploadRequest_->startAsynchronous();
}

void PersonalDataViewController::headPortraitFail() {
  if (!isViewLoaded()) return;
  auto hud = ProgressHUD::showHUDAddedTo(view(), true);
  hud->setMode(ProgressHUD::Mode::Text);
  hud->setLabelText(kUploadFailed);
  hud->setMargin(kToastMargin);
  hud->setYOffset(kToastYOffset);
  hud->setRemoveFromSuperViewOnHide(true);
  hud->hide(true, kToastDuration);
}

void PersonalDataViewController::touchesBegan(const ui::TouchSet& touches) {
  if (touches.empty() || !avatar_) return;
  isFullScreen_ = !isFullScreen_;
  const ui::Point p = touches.front().locationInView(&view());
  if (!avatar_->frame().contains(p)) return;
  const ui::Rect target = isFullScreen_ ? kAvatarFullScreen : kAvatarFrame;
  auto avatar = avatar_;
  ui::View::animate(kZoomDuration, [avatar, target] { avatar->setFrame(target); });
}
