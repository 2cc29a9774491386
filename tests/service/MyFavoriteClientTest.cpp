// The favourites client (MyFavorite) against the loopback API server: every operation's request and
// callback, its own rules (a page needs its "Name", an added favourite is answered false, the ranking
// succeeds on a null "Body" with the "no data" text), and the id list without repeats.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "service/MyFavorite.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct FavoriteRecorder : MyFavoriteDelegate, Recorder {
  VD_RECORD(didFavourInfo)
  VD_RECORD(didGetTests)
  VD_RECORD(didCancelToFavIDs)
  VD_RECORD(didAddfavour)
  VD_RECORD(didFavourRank)
};

const std::string kFav = R"({"AllTestID":1001,"AppEName":"GKSample","FavTypeID":1,"StarNum":"3"})";
const std::string kPage = R"({"Body":{"ID":0,"Name":"地理常识","Sessions":[]},"Message":""})";

std::string noDataReply(const char* body) {
  core::Value reply = JSONValue(std::string(R"({"Body":)") + body + R"(,"Message":"x"})");
  reply.set("Message", core::Bundle::main().localizedString("nodataMessage"));
  return JSONRepresentation(reply).value_or("");
}

class MyFavoriteClient : public ClientSuite {
 protected:
  void SetUp() override {
    ClientSuite::SetUp();
    rec = recorder<FavoriteRecorder>();
    fav = std::make_shared<MyFavorite>();
    fav->delegate = rec;
  }
  std::shared_ptr<FavoriteRecorder> rec;
  std::shared_ptr<MyFavorite> fav;
};

TEST_F(MyFavoriteClient, EveryOperationSendsItsRequestAndReportsByItsRule) {
  using C = OpCase<MyFavorite>;
  const std::vector<C> cases = {
      {"favourInfo", [](MyFavorite& f) { f.favourInfo("GKSample"); }, "GET",
       "/api/1.0/json/favour/FavourInfo/GKSample", std::nullopt, "iphone", true, false,
       R"({"Body":[{"Sbjid":11,"Subject1":"人文常识","TestNum":3}]})", "didFavourInfo", true},
      {"getFavourInfo", [](MyFavorite& f) { f.getFavourInfo("GKSample/11/20/1/0"); }, "GET",
       "/api/1.0/json/favour/gettest/GKSample/11/20/1/0", std::nullopt, "iphone", true, false, kPage,
       "didGetTests", true},
      {"getFavourInfo without a Name", [](MyFavorite& f) { f.getFavourInfo("GKSample/11/20/1/0"); }, "GET",
       "/api/1.0/json/favour/gettest/GKSample/11/20/1/0", std::nullopt, "iphone", true, false,
       R"({"Body":{"Name":null,"Sessions":[]}})", "didGetTests", false},
      {"getFavourInfo with a null Body gives null",
       [](MyFavorite& f) { f.getFavourInfo("GKSample/11/20/0/0"); }, "GET",
       "/api/1.0/json/favour/gettest/GKSample/11/20/0/0", std::nullopt, "iphone", true, false,
       R"({"Body":null,"Message":"x"})", "didGetTests", false, "null"},
      {"gettests", [](MyFavorite& f) { f.gettests("GKSample", "12", "20", "2", "1"); }, "GET",
       "/api/1.0/json/favour/gettest/GKSample/12/20/2/1", std::nullopt, "iphone", true, false, kPage,
       "didGetTests", true},
      {"cancelToFavIDs shows no overlay",
       [](MyFavorite& f) { f.cancelToFavIDs("GKSample", JSONValue("[1001]")); }, "GET",
       "/api/1.0/json/favour/CancelToFavIDs/GKSample/1001", std::nullopt, "iphone", false, false,
       R"({"Body":true})", "didCancelToFavIDs", true},
      {"addfavour: false is added", [](MyFavorite& f) { f.addfavour(kFav); }, "POST",
       "/api/1.0/json/favour/addfavour", kFav, "iphone", false, false,
       R"({"Body":false,"Message":"收藏成功"})", "didAddfavour", true},
      {"addfavour: true is not", [](MyFavorite& f) { f.addfavour(kFav); }, "POST",
       "/api/1.0/json/favour/addfavour", kFav, "iphone", false, false, R"({"Body":true})", "didAddfavour",
       false},
      {"addfavour: null is not", [](MyFavorite& f) { f.addfavour(kFav); }, "POST",
       "/api/1.0/json/favour/addfavour", kFav, "iphone", false, false,
       R"({"Body":null,"Message":"题目不存在"})", "didAddfavour", false},
      {"addfavour: no Body is not", [](MyFavorite& f) { f.addfavour(kFav); }, "POST",
       "/api/1.0/json/favour/addfavour", kFav, "iphone", false, false, R"({"Message":""})", "didAddfavour",
       false},
      {"favourRank", [](MyFavorite& f) { f.favourRank("GKSample"); }, "GET",
       "/api/1.0/json/favour/GetFavourRank/GKSample", std::nullopt, "iphone", true, false,
       R"({"Body":{"Name":"收藏排行","Sessions":[]}})", "didFavourRank", true},
      {"favourRank with a null Body succeeds with the no-data text",
       [](MyFavorite& f) { f.favourRank("GKSample"); }, "GET", "/api/1.0/json/favour/GetFavourRank/GKSample",
       std::nullopt, "iphone", true, false, R"({"Body":null,"Message":"x"})", "didFavourRank", true,
       noDataReply("null")},
  };
  runCases(cases, *fav, *rec);
  EXPECT_NE(core::Bundle::main().localizedString("nodataMessage"), "nodataMessage");
}

TEST_F(MyFavoriteClient, RemovedIdsGoOnceEach) {
  struct Case {
    const char* ids;
    std::set<std::string> sent;
  };
  const Case cases[] = {
      {"[5, 7, 5]", {"5", "7"}},
      {R"(["1001", 1001, "1002"])", {"1001", "1002"}},
      {"[]", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ids);
    ASSERT_TRUE(server().reset());
    rec->calls.clear();
    fav->cancelToFavIDs("GKSample", JSONValue(c.ids));
    ASSERT_TRUE(awaitCalls(*rec, 1));
    auto sent = requests();
    ASSERT_EQ(sent.size(), 1u);
    const std::string path = sent[0]["path"].toString();
    const std::string prefix = "/api/1.0/json/favour/CancelToFavIDs/GKSample/";
    ASSERT_EQ(path.rfind(prefix, 0), 0u) << path;
    std::set<std::string> got;
    std::size_t count = 0;
    for (const std::string& id : core::split(path.substr(prefix.size()), ",")) {
      if (id.empty()) continue;
      got.insert(id);
      ++count;
    }
    EXPECT_EQ(got, c.sent);
    EXPECT_EQ(count, c.sent.size()) << path;
  }
}

}  // namespace
}  // namespace apiclient_test
