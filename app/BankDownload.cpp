#include "app/BankDownload.h"

#include "app/AppDelegate.h"
#include "app/AppPaths.h"
#include "app/VDHelper.h"
#include "bank/QuestionBank.h"
#include "platform/runloop/RunLoop.h"

namespace {

// Main thread: the update centre is asked for the chosen subject's packets, the reply stored.
void askUpdateCentre(BankDownload::Done done) {
  auto bank = QuestionBank::make(AppPaths::bankPaths());
  // The bank object lives until its answer is in.
  bank->checkUpdate([bank, done = std::move(done)](std::optional<UpdateCentreReply> reply) {
    AppDelegate* app = VDHelper::getAppdelegate();
    if (app && reply) app->setUpdateReply(reply);
    if (done) done(reply);
  });
}

}  // namespace

void BankDownload::start(const Flags& flags, Done done) {
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app) return;
  core::Value down = app->downSession();
  if (!down.isDictionary()) {
    down = core::Value::dictionary();
    app->setDownSession(down);
  }
  down.set("isFirstOpenMain", flags.isFirstOpenMain);
  down.set("isEvenMore", flags.isEvenMore);
  down.set("isHavefileName", VDHelper::isHavefileName());
  down.set("Main", false);
  down.set("isUpdateDB", flags.isUpdateDB);
  VDHelper::downloadDBWithCancelBlock([] {},
                                      [done = std::move(done)](bool) {
                                        // The completion may come on the update run's thread.
                                        rl::performOnMainThread([done] { askUpdateCentre(done); }, false);
                                      },
                                      [] {});
}
