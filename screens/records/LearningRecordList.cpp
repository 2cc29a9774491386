#include "screens/records/LearningRecordList.h"

#include "app/ChosenSubject.h"
#include "app/Session.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/sets/AnsweringScreen.h"
#include "exam/sets/LearningRecordFile.h"
#include "exam/sets/RestoredRun.h"
#include "platform/core/Saturating.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"

core::Value LearningRecordList::getLearningRecordByUser(const std::string& userName) {
  const auto path = LearningRecordFile::pathFor(VDHelper::learningRecordSavePath(), userName);
  if (!path) return core::Value::newArray();
  return LearningRecordFile(*path).records(ChosenSubject::current().product.value);
}

core::Value LearningRecordList::ofLoggedInUser() {
  const Session* session = Session::current();
  const std::string user = session ? session->userName() : std::string();
  return getLearningRecordByUser(user);
}

std::string LearningRecordList::formatDate(const std::string& saveTime) {
  if (saveTime.size() < 11) return saveTime;
  return saveTime.substr(0, 4) + "年" + saveTime.substr(5, 2) + "月" + saveTime.substr(8, 2) + "日 " +
         saveTime.substr(11);
}

std::string LearningRecordList::modeName(int examingMode) {
  switch (examingMode) {
    case 0:
      return "练习模式";
    case 1:
      return "测验模式";
    case 2:
      return "阅读模式";
    default:
      return "";
  }
}

std::string LearningRecordList::rowText(const core::Value& record) {
  const core::Value reply = record["ReplyRecord"];
  return "【" + modeName(core::satInt(reply["ExamingMode"].toInt())) + "】 " +
         reply["ChapterName"].toString();
}

std::string LearningRecordList::detailText(const core::Value& record) {
  return formatDate(record["ReplyRecord"]["SaveTime"].toString());
}

namespace {

bool open(ui::ViewController& from, const RestoredRun& run) {
  if (run.tests.empty()) return false;
  ui::NavigationController* nav = from.navigationController();
  if (!nav) return false;
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
  auto* screen = dynamic_cast<AnsweringScreen*>(made.get());
  if (!screen || !run.applyTo(*screen)) return false;
  return nav->pushViewController(made, true);
}

}  // namespace

void LearningRecordList::pushToExamingVC(ui::ViewController& from, const core::Value& record,
                                         std::function<void(bool opened)> done) {
  restoreLearningRecordInBackground<ui::ViewController>(
      ui::weakScreen(from), record, [done = std::move(done)](ui::ViewController& self, RestoredRun run) {
        const bool opened = open(self, run);
        if (done) done(opened);
      });
}
