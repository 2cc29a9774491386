#include "app/BankDownload.h"

#include "app/Session.h"
#include "app/VDHelper.h"
#include "platform/runloop/RunLoop.h"

void BankDownload::start(const Flags& flags, std::function<void(const core::Value& reply)> done) {
  Session* session = Session::current();
  if (!session) return;
  session->setDownloadState({.isFirstOpenMain = flags.isFirstOpenMain,
                             .isEvenMore = flags.isEvenMore,
                             .isHavefileName = VDHelper::isHavefileName(),
                             .main = false,
                             .isUpdateDB = flags.isUpdateDB});
  VDHelper::downloadDBWithCancelBlock([] {},
                                      [done = std::move(done)](bool) {
                                        const core::Value reply = VDHelper::getLibrarySyn();
                                        rl::performOnMainThread(
                                            [done, reply] {
                                              Session* session = Session::current();
                                              if (session && !reply.isNilOrNull())
                                                session->downSession().set("jsonObject", reply);
                                              if (done) done(reply);
                                            },
                                            false);
                                      },
                                      [] {});
}
