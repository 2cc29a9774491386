// The personal-data screen against the loopback server, logged in as user01 (nick name "小明", male,
// "北京 北京市"): the nick-name rules, sex and region with the one-field bodies they send, refusals, the
// avatar chosen through the picture chooser, saved as JPEG and uploaded raw, the avatar downloaded when
// the device has none, and the zoom.

#include "app/AvatarFile.h"
#include "platform/runloop/BlockingCall.h"
#include "screens/account/PersonalDataViewController.h"
#include "tests/screens/account/AccountFixture.h"
#include "widgets/RegionPickerView.h"

#include <png.h>

namespace account_test {
namespace {

using Screen = PersonalDataViewController;

class PersonalData : public AccountFixture {
 protected:
  Screen& open() {
    if (!app().userSession().contains("userInfo")) logIn("user01", "secret1");
    openHome();
    auto screen =
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("personalData");
    homeScreen().navigationController()->pushViewController(screen, true);
    h().settle();
    auto* s = dynamic_cast<Screen*>(h().topScreen());
    EXPECT_NE(s, nullptr) << top();
    server().clearJournal();
    return *s;
  }
  void close() {
    homeScreen().navigationController()->popViewController(false);
    h().settle();
  }
  // Opens the nick-name alert, replaces its text and presses "修改".
  void enterNickName(Screen& screen, const std::string& text) {
    ASSERT_TRUE(h().tap(*screen.editButton(Screen::kNickNameTag)));
    h().settle();
    ASSERT_NE(h().alert(), nullptr);
    ASSERT_EQ(h().alert()->title(), "昵称修改");
    ui::TextField& field = *h().alert()->textFieldAtIndex(0);
    EXPECT_EQ(field.text(), screen.lab_nicheng()->text()) << "prefilled";
    ASSERT_TRUE(h().focus(field));
    h().backspace(field, static_cast<int>(field.text().size()));
    if (!text.empty()) {
      ASSERT_TRUE(h().typeInAlert(text));
    }
    ASSERT_TRUE(h().press("修改"));
    h().settle();
  }
  // The one-field bodies of SetPersonalDetails sent since the journal was cleared.
  std::vector<core::Value> updates() {
    std::vector<core::Value> out;
    for (const core::Value& e : requests("user/SetPersonalDetails")) out.push_back(JSONValue(e["body"].toString()));
    return out;
  }
  void dismissAlert() {
    if (h().alert()) h().press(h().alert()->buttonTitleAtIndex(0));
    h().settle();
  }
  std::string pictureFile(const std::string& name, const std::string& bytes) {
    const std::string path = core::Paths::temporary() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(PersonalData, TheScreenShowsTheUser) {
  Screen& screen = open();
  EXPECT_EQ(screen.title(), "个人资料");
  EXPECT_EQ(screen.account_Lab()->text(), "user01");
  EXPECT_EQ(screen.lab_nicheng()->text(), "小明");
  EXPECT_EQ(screen.lab_sex()->text(), "男");
  EXPECT_EQ(screen.lab_region()->text(), "北京 北京市");
  // An empty nick name shows as "vardo"; "Sex" as text reads as a flag.
  close();
  userInfo().set("NickName", "");
  userInfo().set("Sex", "0");
  Screen& again = open();
  EXPECT_EQ(again.lab_nicheng()->text(), "vardo");
  EXPECT_EQ(again.lab_sex()->text(), "女");
  EXPECT_TRUE(again.isfemale());
}

TEST_F(PersonalData, NickNameRules) {
  Screen& screen = open();
  struct Case {
    std::string entry;
    const char* message;  // nullptr: accepted and sent
  };
  std::string twentyLetters(20, 'n'), tenChinese, elevenChinese;
  for (int i = 0; i < 10; ++i) tenChinese += "题";
  elevenChinese = tenChinese + "库";
  const Case cases[] = {
      {"", Screen::kNickLength},
      {"1abc", Screen::kNickDigit},
      {"9号", Screen::kNickDigit},
      {"ab", Screen::kNickLength},  // 2 units: length 1
      {"abc", nullptr},             // 3 units: length 2
      {twentyLetters, nullptr},
      {twentyLetters + "n", Screen::kNickLength},
      {tenChinese, nullptr},
      {elevenChinese, Screen::kNickLength},
      {"张三", nullptr},
      {"a张", nullptr},  // 1 + 2 units: length 2
      {"ab_c", Screen::kNickIllegal},
      {"小 明", Screen::kNickIllegal},
      {"ａｂｃ", Screen::kNickIllegal},  // full-width letters pass the length, not the characters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    server().clearJournal();
    enterNickName(screen, c.entry);
    ASSERT_TRUE(runUntil([&] { return h().alert() != nullptr; }));
    settleRequests();
    if (c.message) {
      ASSERT_NE(h().alert(), nullptr);
      EXPECT_EQ(h().alert()->message(), c.message);
      EXPECT_TRUE(requests("CheckNewUsername").empty());
      EXPECT_TRUE(updates().empty());
    } else {
      ASSERT_EQ(requests("CheckNewUsername").size(), 1u);
      EXPECT_EQ(requests("CheckNewUsername")[0]["decoded_path"].toString(),
                "/api/1.0/json/user/CheckNewUsername/" + c.entry + "/NickName");
      EXPECT_EQ(updates(), (std::vector<core::Value>{core::Dictionary{{"NickName", c.entry}}}));
      ASSERT_NE(h().alert(), nullptr);
      EXPECT_EQ(h().alert()->message(), Screen::kChanged);
      EXPECT_EQ(screen.lab_nicheng()->text(), c.entry);
      EXPECT_EQ(userInfo()["NickName"], core::Value(c.entry));
      EXPECT_FALSE(screen.nickName().has_value());
    }
    dismissAlert();
  }

  // The name shown sends nothing.
  server().clearJournal();
  enterNickName(screen, screen.lab_nicheng()->text());
  settleRequests();
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_TRUE(requests("CheckNewUsername").empty());
}

TEST_F(PersonalData, ATakenNickNameIsRefusedAndNotSentWithTheNextChange) {
  Screen& screen = open();
  fault(core::Dictionary{{"path", "/api/1.0/json/user/CheckNewUsername/*"},
                         {"body", R"({"Body": false, "Message": "该昵称已被使用", "LoginState": 1})"}});
  enterNickName(screen, "考生甲");
  settleRequests();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "该昵称已被使用");
  dismissAlert();
  EXPECT_TRUE(updates().empty());

  ASSERT_TRUE(h().tap(*screen.editButton(Screen::kSexTag)));
  h().settle();
  ASSERT_TRUE(h().press("女"));
  settleRequests();
  EXPECT_EQ(updates(), (std::vector<core::Value>{core::Dictionary{{"Sex", 0}}}));
  EXPECT_EQ(screen.lab_nicheng()->text(), "小明");
}

TEST_F(PersonalData, SexSendsOnlyAChange) {
  Screen& screen = open();
  struct Step {
    const char* choice;
    std::vector<core::Value> sent;
    const char* shown;
    const char* stored;  // userInfo "Sex" afterwards
  };
  const Step steps[] = {
      {"男", {}, "男", nullptr},  // the sex shown
      {"取消", {}, "男", nullptr},
      {"女", {core::Dictionary{{"Sex", 0}}}, "女", "0"},
      {"男", {core::Dictionary{{"Sex", 1}}}, "男", "1"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.choice);
    server().clearJournal();
    ASSERT_TRUE(h().tap(*screen.editButton(Screen::kSexTag)));
    h().settle();
    ASSERT_NE(h().sheet(), nullptr);
    ASSERT_TRUE(h().press(s.choice));
    settleRequests();
    EXPECT_EQ(updates(), s.sent);
    EXPECT_EQ(screen.lab_sex()->text(), s.shown);
    if (s.stored) {
      EXPECT_EQ(userInfo()["Sex"], core::Value(s.stored));
    }
    dismissAlert();
  }
}

TEST_F(PersonalData, ARefusedUpdateKeepsTheLabelsAndTheStoredValues) {
  Screen& screen = open();
  struct Case {
    const char* name;
    core::Value fault;
    std::string message;
  };
  const Case cases[] = {
      {"refused",
       core::Dictionary{{"path", "/api/1.0/json/user/SetPersonalDetails"},
                        {"body", R"({"Body": false, "Message": "资料修改失败", "LoginState": 1})"}},
       "资料修改失败"},
      {"no answer", core::Dictionary{{"path", "/api/1.0/json/user/SetPersonalDetails"}, {"drop", true}, {"count", 2}},
       core::Bundle::main().localizedString("requestFaile")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fault(c.fault);
    enterNickName(screen, "新名字");
    ASSERT_TRUE(runUntil([&] { return h().alert() != nullptr; }));
    settleRequests();
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->message(), c.message);
    EXPECT_EQ(screen.lab_nicheng()->text(), "小明");
    EXPECT_EQ(userInfo()["NickName"], core::Value("小明"));
    dismissAlert();
  }

  goOffline();
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.editButton(Screen::kSexTag)));
  h().settle();
  ASSERT_TRUE(h().press("女"));
  h().settle();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  settleRequests();
  EXPECT_TRUE(updates().empty());
}

TEST_F(PersonalData, RegionIsSentWhenChosenAndDifferent) {
  Screen& screen = open();
  auto openPicker = [&] {
    ASSERT_TRUE(h().tap(*screen.editButton(Screen::kRegionTag)));
    h().settle();
    ASSERT_NE(screen.regionView(), nullptr);
    ASSERT_NE(screen.regionView()->superview(), nullptr);
    EXPECT_EQ(screen.regionView()->frame(),
              (ui::Rect{0, screen.view().bounds().size.height - 256, 320, 256}));
    // While it shows, the table does not scroll and the avatar, nick-name and sex buttons take no touches.
    EXPECT_FALSE(screen.tableView()->isScrollEnabled());
    EXPECT_FALSE(h().tap(*screen.avatarButton()));
  };
  RegionPickerView& picker = *[&] {
    openPicker();
    return screen.regionView()->pickerView().get();
  }();
  const std::string province = picker.titleForRow(1, 0);
  ASSERT_FALSE(province.empty());

  // Cancel sends nothing.
  ASSERT_TRUE(h().tapBarButton("取消"));
  h().settle();
  EXPECT_EQ(screen.regionView()->superview(), nullptr);
  EXPECT_TRUE(screen.tableView()->isScrollEnabled());

  // A new region is sent.
  openPicker();
  RegionPickerView& shown = *screen.regionView()->pickerView();
  const std::string city = [&] {
    // The person taps the second province; its first city comes with it.
    auto rows = h().findAll<ui::Button>([&](const ui::Button& b) { return b.currentTitle() == province; });
    EXPECT_FALSE(rows.empty());
    if (!rows.empty()) h().tap(*rows.front());
    h().settle();
    return shown.titleForRow(shown.selectedRowInComponent(1), 1);
  }();
  ASSERT_EQ(shown.selectedRowInComponent(0), 1);
  ASSERT_TRUE(h().tapBarButton("确定"));
  settleRequests();
  const std::string region = province + " " + city;
  EXPECT_EQ(updates(), (std::vector<core::Value>{core::Dictionary{{"Address", region}}}));
  EXPECT_EQ(screen.lab_region()->text(), region);
  EXPECT_EQ(userInfo()["Address"], core::Value(region));
  dismissAlert();
  EXPECT_TRUE(h().tap(*screen.avatarButton())) << "the buttons take touches again";
  h().settle();
  ASSERT_TRUE(h().press("取消"));
  h().settle();

  // The region shown, chosen again, sends nothing.
  server().clearJournal();
  openPicker();
  auto rows = h().findAll<ui::Button>([&](const ui::Button& b) { return b.currentTitle() == province; });
  ASSERT_FALSE(rows.empty());
  h().tap(*rows.front());
  h().settle();
  ASSERT_TRUE(h().tapBarButton("确定"));
  settleRequests();
  EXPECT_TRUE(updates().empty());
}

TEST_F(PersonalData, AChosenAvatarIsSavedAsJPEGAndUploadedAsTheRawBody) {
  Screen& screen = open();
  ASSERT_TRUE(h().tap(*screen.avatarButton()));
  h().settle();
  // No camera on this desktop: the library only.
  ASSERT_NE(h().sheet(), nullptr);
  EXPECT_EQ(h().sheet()->title(), "选择");
  ASSERT_EQ(h().sheet()->numberOfButtons(), 2);
  EXPECT_EQ(h().sheet()->buttonTitleAtIndex(0), "从相册选择");
  EXPECT_EQ(h().sheet()->buttonTitleAtIndex(1), "取消");
  ASSERT_TRUE(h().press("从相册选择"));
  h().settle();
  EXPECT_EQ(top(), "ImagePickerController");
  ASSERT_TRUE(chooser_->isOpen());
  EXPECT_EQ(chooser_->lastSource(), ui::ImagePickerSourceType::SavedPhotosAlbum);

  // A PNG picked: kept as a JPEG of quality 0.5 under the user name.
  ui::Bitmap picture = rampBitmap(120, 90);
  std::string png;
  {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 120;
    image.height = 90;
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_get_memory_size(image, size, 0, picture.rgb.data(), 0, nullptr));
    png.resize(size);
    ASSERT_TRUE(png_image_write_to_memory(&image, png.data(), &size, 0, picture.rgb.data(), 0, nullptr));
    png.resize(size);
  }
  ASSERT_TRUE(chooser_->choose(pictureFile("photo.png", png)));
  h().settle();
  settleRequests();
  EXPECT_EQ(top(), "PersonalDataViewController");
  const std::string file = avatarDirectory() + "/user01.jpg";
  ASSERT_TRUE(std::filesystem::exists(file));
  const std::string jpeg = readFile(file);
  EXPECT_EQ(jpeg, *ui::ImageCodec::encodeJPEG(picture, 0.5));
  EXPECT_EQ(screen.avatar()->tag(), Screen::kAvatarTag);
  ASSERT_NE(screen.avatar()->image(), nullptr);
  EXPECT_EQ(screen.avatar()->image()->data(), jpeg);

  const auto uploads = requests("user/SetPhoto");
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0]["method"], core::Value("POST"));
  EXPECT_EQ(bodyBytes(uploads[0]), jpeg);
  EXPECT_EQ(uploads[0]["session_user"], core::Value("user01")) << "the session's cookie went with it";
  EXPECT_EQ(h().label(Screen::kUploadFailed), nullptr);

  // A camera, where there is one, comes first.
  chooser_->cameraAvailable = true;
  ASSERT_TRUE(h().tap(*screen.avatarButton()));
  h().settle();
  ASSERT_EQ(h().sheet()->numberOfButtons(), 3);
  EXPECT_EQ(h().sheet()->buttonTitleAtIndex(0), "拍照");
  ASSERT_TRUE(h().press("拍照"));
  h().settle();
  EXPECT_EQ(chooser_->lastSource(), ui::ImagePickerSourceType::Camera);
  ASSERT_TRUE(chooser_->cancel());
  h().settle();
  EXPECT_EQ(top(), "PersonalDataViewController");
  EXPECT_EQ(readFile(file), jpeg);
}

TEST_F(PersonalData, AFailedUploadKeepsTheNewAvatarAndSaysSo) {
  Screen& screen = open();
  struct Case {
    const char* name;
    core::Value fault;
  };
  const Case cases[] = {
      {"dropped", core::Dictionary{{"path", "/api/1.0/json/user/SetPhoto"}, {"drop", true}, {"count", 2}}},
      {"refused", core::Dictionary{{"path", "/api/1.0/json/user/SetPhoto"},
                                   {"body", R"({"Body": false, "Message": "图片格式不正确", "LoginState": 1})"}}},
  };
  const std::string jpeg = *ui::ImageCodec::encodeJPEG(rampBitmap(40, 40), 0.8);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fault(c.fault);
    ASSERT_TRUE(h().tap(*screen.avatarButton()));
    h().settle();
    ASSERT_TRUE(h().press("从相册选择"));
    h().settle();
    ASSERT_TRUE(chooser_->choose(pictureFile("face.jpg", jpeg)));
    h().settle();
    ASSERT_TRUE(runUntil([&] { return h().label(Screen::kUploadFailed) != nullptr; })) << "the toast";
    EXPECT_TRUE(std::filesystem::exists(avatarDirectory() + "/user01.jpg"));
    h().advance(2);
    h().settle();
  }

  // A file that is no picture is neither kept nor sent.
  std::filesystem::remove(avatarDirectory() + "/user01.jpg");
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.avatarButton()));
  h().settle();
  ASSERT_TRUE(h().press("从相册选择"));
  h().settle();
  ASSERT_TRUE(chooser_->choose(pictureFile("notes.txt", "not a picture")));
  h().settle();
  EXPECT_NE(h().label(Screen::kUnreadablePicture), nullptr);
  EXPECT_FALSE(std::filesystem::exists(avatarDirectory() + "/user01.jpg"));
  settleRequests();
  EXPECT_TRUE(requests("SetPhoto").empty());
}

TEST_F(PersonalData, WithoutALocalAvatarTheServersIsShownEachTimeAndNotKept) {
  const std::string jpeg = *ui::ImageCodec::encodeJPEG(rampBitmap(50, 30), 0.7);
  putServerAvatar("user01", "secret1", jpeg);
  logIn("user01", "secret1");
  std::filesystem::remove(avatarDirectory() + "/user01.jpg");  // the copy the login kept

  for (int load = 1; load <= 2; ++load) {
    SCOPED_TRACE(load);
    server().clearJournal();
    Screen& screen = open();
    ASSERT_TRUE(runUntil([&] { return screen.avatar()->image() != nullptr; })) << "downloaded";
    EXPECT_EQ(screen.avatar()->image()->data(), jpeg);
    EXPECT_EQ(screen.avatar()->image()->size(), (ui::Size{50, 30}));
    EXPECT_FALSE(std::filesystem::exists(avatarDirectory() + "/user01.jpg"));
    close();
  }

  // The e-mail file is the second choice, before any download.
  const std::string byEmail = avatarDirectory() + "/user01@example.com.jpg";
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    ASSERT_TRUE(AvatarFile::save(jpeg, "user01@example.com"));
  }
  server().clearJournal();
  Screen& screen = open();
  ASSERT_NE(screen.avatar()->image(), nullptr);
  EXPECT_EQ(screen.avatar()->image()->name(), byEmail);
  rl::DispatchQueue::global().waitIdle();
  settleRequests();
  EXPECT_TRUE(requests("Img_UID").empty());
}

TEST_F(PersonalData, TouchesFlipTheZoomAndATouchOnTheAvatarZoomsIt) {
  Screen& screen = open();
  ui::ImageView& avatar = *screen.avatar();
  EXPECT_EQ(avatar.frame(), Screen::kAvatarFrame);
  // Beside the avatar: the flag flips, the avatar stays.
  ASSERT_TRUE(h().tap(screen.view().convertPointToView({200, 20}, nullptr)));
  EXPECT_TRUE(screen.isFullScreen());
  EXPECT_EQ(avatar.frame(), Screen::kAvatarFrame);
  // On the avatar: the flag flips back, so the avatar keeps its place; the next touch zooms it.
  ASSERT_TRUE(h().tap(avatar));
  EXPECT_FALSE(screen.isFullScreen());
  EXPECT_EQ(avatar.frame(), Screen::kAvatarFrame);
  ASSERT_TRUE(h().tap(avatar));
  EXPECT_TRUE(screen.isFullScreen());
  EXPECT_EQ(avatar.frame(), Screen::kAvatarFullScreen);
  h().settle();
  ASSERT_TRUE(h().tap(avatar));
  EXPECT_EQ(avatar.frame(), Screen::kAvatarFrame);
}

}  // namespace
}  // namespace account_test
