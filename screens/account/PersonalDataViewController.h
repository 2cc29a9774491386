#pragma once
// PersonalDataViewController: the logged-in user's own data ("personalData"): nick name, sex, region and
// avatar. Each change is sent at once as one request of one field ({"NickName": text}, {"Sex": 1 for
// male, 0 for female} or {"Address": "<province> <city>"}) and, when the server accepts it, written
// into the session's "userInfo" ("Sex" then as the text "1" or "0") and shown.
//
// Nick names are checked first, in this order: not empty; not starting with a digit; 2 to 10 by
// unicodeLengthOfString; only Chinese characters, letters and digits; different from the one shown;
// free (asked of the server). The region comes from a picker over the bundle's city list.
//
// The avatar is the user's avatar file (by "UserName", else by "Email"); without one it is downloaded
// from the server each time the screen loads (off the main thread) and not kept. A new avatar is
// chosen with the image picker (the camera, where there is one, or the photo library), saved as the
// user's avatar file (JPEG of quality 0.5) and uploaded as the raw body of a POST to
// "1.0/json/user/SetPhoto"; a failed upload shows the toast "上传图片失败" and keeps the new avatar on the
// device. Any touch flips the zoom flag; a touch on the avatar zooms it to the screen or back.
//
// Main thread, but for the avatar download.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "librarys/http/FormDataRequest.h"
#include "platform/core/Value.h"
#include "service/Center.h"
#include "service/User.h"
#include "ui/ActionSheet.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/ImagePickerController.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"
#include "widgets/CityPickerSource.h"
#include "widgets/RegionView.h"

class PersonalDataViewController : public ui::ViewController,
                                   public UserDelegate,
                                   public CenterDelegate,
                                   public ui::AlertViewDelegate,
                                   public ui::ActionSheetDelegate,
                                   public ui::ImagePickerControllerDelegate,
                                   public RegionViewDelegate,
                                   public RegionPickerViewDataSource,
                                   public RegionPickerViewDelegate,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "personalData";
  static constexpr const char* kEmptyNickName = "vardo";
  static constexpr const char* kNickLength = "昵称必须为2-20字符";
  static constexpr const char* kNickDigit = "昵称不能以数字开头";
  static constexpr const char* kNickIllegal = "昵称不能存在非法字符";
  static constexpr const char* kChanged = "修改成功";
  static constexpr const char* kUploadFailed = "上传图片失败";
  static constexpr const char* kUnreadablePicture = "无法读取所选图片";
  static constexpr int kNickNameTag = 1;
  static constexpr int kSexTag = 2;
  static constexpr int kRegionTag = 3;
  static constexpr int kSexSheetTag = 1;
  static constexpr int kAvatarSheetTag = 255;
  static constexpr int kAvatarTag = 100;
  static constexpr ui::Rect kAvatarFrame{20, 47, 80, 80};
  static constexpr ui::Rect kAvatarFullScreen{0, 0, 320, 480};

  std::string className() const override { return "PersonalDataViewController"; }

  // The nick-name length: 1 for every UTF-16 unit up to 127, 2 for every unit above, halved and
  // rounded up ("ab" 1, "abc" 2, "张三" 2).
  static unsigned unicodeLengthOfString(std::string_view text);
  // The nick name shown for a stored one: "vardo" for the empty name.
  static std::string shownNickName(const std::string& nickName);

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- editing ----
  void textAlertView(int tag);  // the edit buttons: 1 nick name, 2 sex, 3 region
  void clickedButtonAtIndex(ui::AlertView& alert, int index) override;             // nick name
  void clickedButtonAtIndex(ui::ActionSheet& sheet, int index) override;           // sex, avatar
  void didCheckNewUsername(bool ok, const core::Value& json) override;
  void loadRegionView();
  void didCancelPicker(int tag) override;
  int numberOfComponentsInPickerView(RegionPickerView& picker) override;
  int numberOfRowsInComponent(RegionPickerView& picker, int component) override;
  std::string titleForRow(RegionPickerView& picker, int row, int component) override;
  void didSelectRow(RegionPickerView& picker, int row, int component) override;
  void submitUpdate();
  void didSetPersonalDetails(bool ok, const core::Value& json) override;
  void showAlertView(const std::string& message);
  void hidekeyboard();

  // ---- avatar ----
  void setImage();
  void selectImageClick();
  void didFinishPickingMediaWithInfo(ui::ImagePickerController& picker, const ui::PickedImage& info) override;
  void imagePickerControllerDidCancel(ui::ImagePickerController& picker) override;
  void asynchronousUpload(const std::string& path);
  void headPortraitFail();
  void touchesBegan(const ui::TouchSet& touches) override;

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override { return 4; }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  // ---- properties ----
  ui::Label* account_Lab() const { return account_Lab_.get(); }
  // The login account my centre shows (set when it opens this screen; not shown here).
  const std::string& account() const { return account_; }
  void setAccount(std::string account) { account_ = std::move(account); }
  ui::Label* lab_nicheng() const { return lab_nicheng_.get(); }
  ui::Label* lab_sex() const { return lab_sex_.get(); }
  ui::Label* lab_region() const { return lab_region_.get(); }
  ui::ImageView* avatar() const { return avatar_.get(); }
  ui::Button* avatarButton() const { return avatarButton_.get(); }
  ui::Button* editButton(int tag) const;  // 1 nick name, 2 sex, 3 region
  RegionView* regionView() const { return regionView_.get(); }
  ui::TableView* tableView() const { return tableView_.get(); }
  bool isfemale() const { return isfemale_; }
  bool isFullScreen() const { return isFullScreen_; }
  int textOrder() const { return textOrder_; }
  const std::optional<std::string>& nickName() const { return nickName_; }
  const std::optional<std::string>& address() const { return address_; }

 private:
  core::Value userInfo() const;
  void refreshLabels();
  void setEditButtonsEnabled(bool enabled);
  void pickerDismissed(const ui::PickedImage& info);
  // The chosen picture is written (or not): it shows and is uploaded, or the failure toast shows.
  void avatarSaved(bool saved, const std::string& path);

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::Label> account_Lab_, lab_nicheng_, lab_sex_, lab_region_;
  std::string account_;
  std::shared_ptr<ui::ImageView> avatar_;
  std::shared_ptr<ui::Button> avatarButton_;
  std::shared_ptr<ui::Button> editButtons_[3];
  std::shared_ptr<RegionView> regionView_;
  std::shared_ptr<CityPickerSource> regionSource_;
  std::shared_ptr<User> userBll_;
  std::shared_ptr<Center> centerBll_;
  std::shared_ptr<FormDataRequest> uploadRequest_;
  std::optional<std::string> nickName_;
  std::optional<std::string> address_;
  bool isfemale_ = false;
  bool isUsable_ = false;
  bool isFullScreen_ = false;
  int textOrder_ = 0;
};
