// What callers get back (usable replies, and null for everything else), the progress overlay, the
// traffic count, and the forced-logout check as the request layer applies it (with a recording shell).
#include <functional>
#include <string>
#include <vector>

#include "service/ExamService.h"
#include "service/ExerciseService.h"
#include "service/FavoriteService.h"
#include "service/FindTestService.h"
#include "service/RandomTestService.h"
#include "service/SystemService.h"
#include "service/UserService.h"
#include "service/WrongRedoService.h"
#include "tests/service/RequestLayerSupport.h"
#include "tests/support/ServerJournal.h"

namespace reqlayer_test {
namespace {

class RequestLayerReplies : public RequestLayerSuite {};

// ---- replies ----

struct ReplyCase {
  const char* name;
  const char* fault;      // the fault object, without "path" and "count"
  bool delivered;         // a reply (not null) reaches the caller
  const char* expectKey;  // a key the delivered reply holds
};

const ReplyCase kReplyCases[] = {
    {"not JSON", R"("body": "<html>busy</html>", "content_type": "text/html")", false, nullptr},
    {"empty", R"("body": "")", false, nullptr},
    {"a JSON scalar", R"("body": "42")", false, nullptr},
    {"cut-off JSON", R"("body": "{\"Body\": [1, 2")", false, nullptr},
    {"connection dropped", R"("drop": true)", false, nullptr},
    {"server error page", R"("status": 500, "body": "Internal Server Error", "content_type": "text/plain")",
     false, nullptr},
    {"no Body", R"("body": {"Message": "缺少数据"})", true, "Message"},
    {"an array", R"("body": [1, 2, 3])", true, nullptr},
    {"error status with a JSON reply", R"("status": 404, "body": {"Body": null, "Message": "接口不存在"})",
     true, "Body"},
};

TEST_F(RequestLayerReplies, OnlyJsonObjectsAndArraysReachTheCaller) {
  const std::string path = "/api/1.0/json/sys/Quote";
  for (const ReplyCase& c : kReplyCases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    ASSERT_TRUE(server().fault(std::string(R"({"path": ")") + path + R"(", "count": 4, )" + c.fault + "}"));

    auto async = std::make_shared<AbstractService>();
    auto d = watch(async);
    async->doGetRequest(api("1.0/json/sys/Quote"), true);
    await(d);
    EXPECT_EQ(d->calls, 1);
    EXPECT_EQ(!d->reply.isNil(), c.delivered) << d->reply.describe();
    if (c.expectKey) {
      EXPECT_TRUE(d->reply.contains(c.expectKey));
    }
    EXPECT_EQ(async->httpRequest(), nullptr);
    EXPECT_EQ(async->hudView(), nullptr);
    EXPECT_TRUE(overlays().empty());

    core::Value sync =
        std::make_shared<AbstractService>()->doGetSynchronousRequest(api("1.0/json/sys/Quote"));
    EXPECT_EQ(!sync.isNil(), c.delivered) << sync.describe();
    EXPECT_EQ(sync.describe(), d->reply.describe());
  }
}

// A reply past the size limit is no reply, asynchronous or not; one just under it arrives whole.
TEST_F(RequestLayerReplies, RepliesPastTheSizeLimitAreNoReply) {
  const std::string path = "/api/1.0/json/sys/Quote";
  struct SizeCase {
    const char* name;
    std::uint64_t bytes;
    bool delivered;
  };
  const SizeCase cases[] = {
      {"just under the limit", AbstractService::kMaxReplyBytes - 64, true},
      {"past the limit", AbstractService::kMaxReplyBytes + 1, false},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string body = R"({"Body":")" + std::string(c.bytes - 11, 'x') + R"("})";
    ASSERT_EQ(body.size(), c.bytes);
    ASSERT_TRUE(server().reset());
    testsupport::armFault(server(), core::Dictionary{{"path", path}, {"count", 2}, {"body", body}});
    auto async = std::make_shared<AbstractService>();
    auto d = watch(async);
    async->doGetRequest(api("1.0/json/sys/Quote"), false);
    await(d);
    EXPECT_EQ(d->calls, 1);
    EXPECT_EQ(d->reply["Body"].toString().size(), c.delivered ? c.bytes - 11 : 0u);
    const core::Value sync =
        std::make_shared<AbstractService>()->doGetSynchronousRequest(api("1.0/json/sys/Quote"));
    EXPECT_EQ(!sync.isNil(), c.delivered);
  }
}

TEST_F(RequestLayerReplies, NoServerMeansNoReply) {
  testserver::ApiServer gone;
  ASSERT_TRUE(gone.start());
  const std::string base = gone.mainBase();
  gone.stop();  // nothing listens on its port now

  auto service = std::make_shared<AbstractService>();
  auto d = watch(service);
  service->doPostRequest(base + "1.0/json/exam/findTest", "{}", true);
  await(d);
  EXPECT_TRUE(d->reply.isNil());
  EXPECT_TRUE(overlays().empty());
  EXPECT_TRUE(
      std::make_shared<AbstractService>()->doGetSynchronousRequest(base + "1.0/json/sys/Quote").isNil());
}

TEST_F(RequestLayerReplies, DatabaseVersionReadsTheBody) {
  struct Case {
    const char* name;
    const char* fault;
    double version;
  };
  const Case cases[] = {
      {"a number", R"("body": {"Body": 3, "Message": ""})", 3.0},
      {"a decimal text", R"("body": {"Body": "2.5"})", 2.5},
      {"null", R"("body": {"Body": null, "Message": ""})", 1.0},
      {"no Body", R"("body": {"Message": "x"})", 0.0},
      {"no reply", R"("drop": true)", 0.0},
      {"not JSON", R"("body": "3")", 0.0},
  };
  const std::string path = "1.0/json/sys/GetTestLibraryVersion_Android/x";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    // Enough for a retry of a dropped kept-alive connection as well.
    ASSERT_TRUE(
        server().fault(std::string(R"({"path": "/api/)") + path + R"(", "count": 4, )" + c.fault + "}"));
    EXPECT_DOUBLE_EQ(std::make_shared<SystemService>()->getDBVersion(api(path)), c.version);
  }
  ASSERT_TRUE(server().reset());
  EXPECT_GT(std::make_shared<SystemService>()->getDBVersion(api(path)), 0.0);  // the sample bank's batch
}

TEST_F(RequestLayerReplies, ServicesInFlightTogetherEachDeliverTheirOwnReply) {
  auto quote = std::make_shared<AbstractService>();
  auto info = std::make_shared<AbstractService>();
  auto dq = watch(quote);
  auto di = watch(info);
  quote->doGetRequest(api("1.0/json/sys/Quote"), true);
  info->doGetRequest(api("1.0/json/user/AppInfo/GKSample"), true);
  quote.reset();  // the request keeps its service until the reply has been delivered
  info.reset();
  ASSERT_TRUE(runUntil([&] { return dq->done() && di->done(); }));
  EXPECT_EQ(dq->calls, 1);
  EXPECT_EQ(di->calls, 1);
  EXPECT_TRUE(dq->reply["Body"].isArray());
  EXPECT_EQ(di->reply["Body"]["EName"].toString(), "GKSample");
  EXPECT_TRUE(overlays().empty());
}

// ---- overlay ----

TEST_F(RequestLayerReplies, OverlayShowsFromTheStartUntilTheReplyHasBeenDelivered) {
  ASSERT_TRUE(server().fault(R"({"path": "/api/1.0/json/sys/Quote", "delay": 0.3})"));
  auto service = std::make_shared<AbstractService>();
  auto d = watch(service);
  service->doGetRequest(api("1.0/json/sys/Quote"), true);
  ASSERT_TRUE(runUntil([&] { return service->hudView() != nullptr || d->done(); }));
  ASSERT_FALSE(d->done()) << "the overlay came no earlier than the reply";
  auto shown = overlays();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], ServiceShellUI::hudOf(service->hudView()));
  EXPECT_EQ(shown[0]->labelText(), core::Bundle::main().localizedString("alertMessage"));
  EXPECT_EQ(shown[0]->labelText(), "正在加载...");
  EXPECT_EQ(shown[0]->superview(), &h().window());

  await(d);
  EXPECT_TRUE(d->hudShownInBlock);
  EXPECT_TRUE(overlays().empty());
  EXPECT_EQ(service->hudView(), nullptr);
}

// Each named operation of the thin subclasses: its method and whether it shows the overlay.
TEST_F(RequestLayerReplies, NamedOperationsUseTheirMethodAndOverlay) {
  struct Case {
    const char* name;
    std::function<std::shared_ptr<AbstractService>(const std::string& url)> start;
    const char* path;
    const char* method;
    bool overlay;
  };
  const std::string json = R"({"AllTestID":1001,"AppEName":"GKSample","FavTypeID":1,"StarNum":"3"})";
  const Case cases[] = {
      {"UserService login",
       [](auto& u) {
         auto s = std::make_shared<UserService>();
         s->login(u);
         return s;
       },
       "1.0/json/user/CheckNewUsername/x/NickName", "GET", true},
      {"UserService doPostAddUserSuggestion",
       [&](auto& u) {
         auto s = std::make_shared<UserService>();
         s->doPostAddUserSuggestion(u, json);
         return s;
       },
       "1.0/json/user/UserSuggestion", "POST", true},
      {"ExerciseService getNavigation",
       [](auto& u) {
         auto s = std::make_shared<ExerciseService>();
         s->getNavigation(u);
         return s;
       },
       "1.0/json/exam/GKSample/Navigation", "GET", true},
      {"WrongRedoService getErrorTestRank",
       [](auto& u) {
         auto s = std::make_shared<WrongRedoService>();
         s->getErrorTestRank(u);
         return s;
       },
       "1.0/json/exam/GetErrorTestRank/GKSample", "GET", true},
      {"FindTestService doPostFindTest",
       [&](auto& u) {
         auto s = std::make_shared<FindTestService>();
         s->doPostFindTest(u, json);
         return s;
       },
       "1.0/json/exam/findTest", "POST", true},
      {"ExamService getSbjsStyle",
       [](auto& u) {
         auto s = std::make_shared<ExamService>();
         s->getSbjsStyle(u);
         return s;
       },
       "1.0/json/exam/SbjsStyle/GKSample/11", "GET", true},
      {"ExamService doPostReplylog",
       [&](auto& u) {
         auto s = std::make_shared<ExamService>();
         s->doPostReplylog(u, json);
         return s;
       },
       "1.0/json/exam/GKSample/replylog", "POST", false},
      {"FavoriteService getFavourRank",
       [](auto& u) {
         auto s = std::make_shared<FavoriteService>();
         s->getFavourRank(u);
         return s;
       },
       "1.0/json/favour/GetFavourRank/GKSample", "GET", true},
      {"FavoriteService getCancelToFavIDs",
       [](auto& u) {
         auto s = std::make_shared<FavoriteService>();
         s->getCancelToFavIDs(u);
         return s;
       },
       "1.0/json/favour/CancelToFavIDs/GKSample/1001", "GET", false},
      {"FavoriteService doPostAddfavour",
       [&](auto& u) {
         auto s = std::make_shared<FavoriteService>();
         s->doPostAddfavour(u, json);
         return s;
       },
       "1.0/json/favour/addfavour", "POST", false},
      {"SystemService doPostQuery",
       [&](auto& u) {
         auto s = std::make_shared<SystemService>();
         s->doPostQuery(u, json);
         return s;
       },
       "1.0/json/sys/Log", "POST", true},
      {"RandomTestService getRandomTest",
       [](auto& u) {
         auto s = std::make_shared<RandomTestService>();
         s->getRandomTest(u);
         return s;
       },
       "1.0/json/exam/GetRandomTest/GKSample/5", "GET", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    auto d = std::make_shared<Delivery>();
    auto service = c.start(api(c.path));
    // Set after the start: the finished block is read when the reply arrives.
    service->setFinishedBlock([d](const std::shared_ptr<AbstractService>& s, const core::Value& reply) {
      ++d->calls;
      d->reply = reply;
      d->hudShownInBlock = s && ServiceShellUI::hudOf(s->hudView()) &&
                           ServiceShellUI::hudOf(s->hudView())->window() != nullptr;
    });
    await(d);
    EXPECT_FALSE(d->reply.isNil());
    EXPECT_EQ(d->hudShownInBlock, c.overlay);
    EXPECT_TRUE(overlays().empty());
    core::Value entry = onlyMainRequest();
    EXPECT_EQ(entry["method"].toString(), c.method);
    EXPECT_EQ(entry["path"].toString(), std::string("/api/") + c.path);
  }
}

TEST_F(RequestLayerReplies, SynchronousCallsReturnTheReplyWithoutOverlayTrafficOrCallback) {
  auto system = std::make_shared<SystemService>();
  int callbacks = 0;
  system->setFinishedBlock([&](const std::shared_ptr<AbstractService>&, const core::Value&) { ++callbacks; });
  core::Value quote = system->getQuote(api("1.0/json/sys/Quote"));
  EXPECT_TRUE(quote["Body"].isArray()) << quote.describe();
  core::Value query = system->doPostSynchronousQuery(
      server().updateBase() + "1.0/json/query",
      R"({"app_ename":"GKSample","app_version":10,"client_type":3,"max_batchid":-1})");
  EXPECT_EQ(query["status"].toInt(), 0) << query.describe();
  EXPECT_TRUE(query["update_list"].isArray());
  core::Value rows = std::make_shared<WrongRedoService>()->getListToTimeForSynchronous(
      api("1.0/json/exam/errortest/GetListToTime/GKSample"));
  EXPECT_TRUE(rows.isDictionary());

  EXPECT_EQ(system->hudView(), nullptr);
  h().drainMain();  // nothing was left to run afterwards either
  EXPECT_TRUE(overlays().empty());
  EXPECT_EQ(callbacks, 0);
  EXPECT_EQ(shell_->traffic, 0);
  EXPECT_EQ(shell_->trafficChunks, 0);
}

// ---- traffic ----

TEST_F(RequestLayerReplies, AsyncRequestsCountEveryByteSentAndReceived) {
  ASSERT_TRUE(server().scenario(R"({"gzip": "never"})"));
  const std::string getPath = "/api/1.0/json/user/AppInfo/GKSample";
  auto expected = server().request("GET", getPath);
  ASSERT_TRUE(expected);
  ASSERT_GT(expected->body.size(), 0u);

  auto service = std::make_shared<AbstractService>();
  auto d = watch(service);
  service->doGetRequest(api("1.0/json/user/AppInfo/GKSample"), false);
  await(d);
  EXPECT_EQ(shell_->traffic, static_cast<std::int64_t>(expected->body.size()));

  shell_->traffic = 0;
  const std::string body = R"({"Word":"细胞","PageIndex":1,"PageSize":1})";
  auto post = std::make_shared<AbstractService>();
  auto dp = watch(post);
  post->doPostRequest(api("1.0/json/exam/findTest"), body, false);
  await(dp);
  auto reply =
      server().request("POST", "/api/1.0/json/exam/findTest", body, {{"Content-Type", "application/json"}});
  ASSERT_TRUE(reply);
  EXPECT_EQ(shell_->traffic, static_cast<std::int64_t>(body.size() + reply->body.size()));
}

// ---- forced logout (the request layer's part) ----

TEST_F(RequestLayerReplies, LoginStateTwoOnAnAsyncReplyForcesTheLogoutAndStillDelivers) {
  shell_->loggedIn = true;
  ASSERT_TRUE(server().fault(R"({"path": "/api/1.0/json/sys/Quote", "login_state": 2})"));
  auto service = std::make_shared<AbstractService>();
  int alertsDuringBlock = -1;
  core::Value reply;
  service->setFinishedBlock([&](const std::shared_ptr<AbstractService>&, const core::Value& r) {
    reply = r;
    alertsDuringBlock = static_cast<int>(h().alerts().size());
  });
  service->doGetRequest(api("1.0/json/sys/Quote"), true);
  ASSERT_TRUE(runUntil([&] { return !reply.isNil(); }));
  EXPECT_EQ(reply["LoginState"].toInt(), 2);
  EXPECT_TRUE(reply["Body"].isArray());
  EXPECT_EQ(alertsDuringBlock, 1);  // the alert came first and does not wait for the block
  EXPECT_EQ(shell_->userInfoRemoved, 1);
  EXPECT_FALSE(shell_->loggedIn);

  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "警告");
  EXPECT_EQ(h().alert()->message(), "您的帐号已被抢登！请重新登录");
  ASSERT_EQ(h().alert()->numberOfButtons(), 1);
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(0), "确定");
  EXPECT_EQ(h().alert()->cancelButtonIndex(), -1);
  EXPECT_EQ(shell_->confirmed, 0);  // only the button leads on

  // A second reply that says the same while the alert is open adds no second alert.
  ASSERT_TRUE(server().fault(R"({"path": "/api/1.0/json/sys/Quote", "login_state": 2})"));
  auto again = std::make_shared<AbstractService>();
  auto d = watch(again);
  again->doGetRequest(api("1.0/json/sys/Quote"), false);
  await(d);
  EXPECT_EQ(h().alerts().size(), 1u);
  EXPECT_EQ(shell_->userInfoRemoved, 2);

  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_EQ(shell_->confirmed, 1);
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_FALSE(AbstractService::isForcedLogoutAlertOpen());
}

TEST_F(RequestLayerReplies, OtherLoginStatesAndSynchronousRepliesChangeNothing) {
  struct Case {
    const char* name;
    const char* fault;
    bool sync;
  };
  const Case cases[] = {
      {"LoginState 1", R"("login_state": 1)", false},
      {"LoginState 0", R"("login_state": 0)", false},
      {"no LoginState", R"("body": {"Body": []})", false},
      {"LoginState null", R"("body": {"Body": [], "LoginState": null})", false},
      {"LoginState 2 on a synchronous reply", R"("login_state": 2)", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    shell_->loggedIn = true;
    ASSERT_TRUE(server().fault(std::string(R"({"path": "/api/1.0/json/sys/Quote", )") + c.fault + "}"));
    auto service = std::make_shared<AbstractService>();
    core::Value reply;
    if (c.sync) {
      reply = service->doGetSynchronousRequest(api("1.0/json/sys/Quote"));
    } else {
      auto d = watch(service);
      service->doGetRequest(api("1.0/json/sys/Quote"), false);
      await(d);
      reply = d->reply;
    }
    EXPECT_TRUE(reply.isDictionary());
    h().drainMain();
    EXPECT_TRUE(shell_->loggedIn);
    EXPECT_EQ(shell_->userInfoRemoved, 0);
    EXPECT_TRUE(h().alerts().empty());
  }
}

// ---- cancelling ----

TEST_F(RequestLayerReplies, CancelledRequestDeliversNothingAndTakesItsOverlay) {
  ASSERT_TRUE(server().fault(R"({"path": "/api/1.0/json/sys/Quote", "delay": 0.5})"));
  auto service = std::make_shared<AbstractService>();
  auto d = watch(service);
  service->doGetRequest(api("1.0/json/sys/Quote"), true);
  ASSERT_TRUE(runUntil([&] { return service->hudView() != nullptr; }));
  auto request = service->httpRequest();
  service->cancelRequest();
  EXPECT_EQ(service->httpRequest(), nullptr);
  EXPECT_EQ(service->hudView(), nullptr);
  EXPECT_TRUE(overlays().empty());
  ASSERT_TRUE(runUntil([&] { return request->isCancelled() && request->complete(); }, 5));
  h().drainMain();
  EXPECT_EQ(d->calls, 0);
  service->cancelRequest();  // nothing held: nothing happens
}

}  // namespace
}  // namespace reqlayer_test
