#include "app/BankDownload.h"

#include "app/AppDelegate.h"
#include "app/AppPaths.h"
#include "app/Session.h"
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
  Session* session = Session::current();
  if (!session) return;
  session->setDownloadState({.isFirstOpenMain = flags.isFirstOpenMain,
                             .isEvenMore = flags.isEvenMore,
                             .isHavefileName = VDHelper::isHavefileName(),
                             .main = false,
                             .isUpdateDB = flags.isUpdateDB});
  VDHelper::downloadDBWithCancelBlock([] {},
                                      [done = std::move(done)](bool) {
                                        // The completion may come on the update run's thread.
                                        rl::performOnMainThread([done] { askUpdateCentre(done); }, false);
                                      },
                                      [] {});
}
