#include "app/BankDownload.h"

#include "app/AppDelegate.h"
#include "app/VDHelper.h"
#include "platform/runloop/RunLoop.h"

void BankDownload::start(const Flags& flags, std::function<void(const core::Value& reply)> done) {
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
                                        const core::Value reply = VDHelper::getLibrarySyn();
                                        rl::performOnMainThread(
                                            [done, reply] {
                                              AppDelegate* app = VDHelper::getAppdelegate();
                                              if (app && !reply.isNilOrNull())
                                                app->downSession().set("jsonObject", reply);
                                              if (done) done(reply);
                                            },
                                            false);
                                      },
                                      [] {});
}
