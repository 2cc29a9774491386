// Parse and write throughput of the JSON codec on the two shapes of server reply the application
// handles most: a question-set reply of about 200 KB (session lists of question ids plus question
// records with Chinese text) and the small command reply {"Body":true,"Message":"","LoginState":0}.

#include <benchmark/benchmark.h>

#include <string>

#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"

namespace {

using core::Array;
using core::Dictionary;
using core::Value;

const char* const kTypes[] = {"ATEST", "A3TEST", "BTEST", "XTEST", "PDTEST", "JDTEST", "TKTEST"};
const char* const kIdKeys[] = {"ATestid",  "A3Testid", "BTestid", "XTestid",
                               "PDTestid", "JDTestid", "TKTestid"};
const char* const kFavKeys[] = {"ATest", "A3Test", "BTest", "XTest", "PDTest", "JDTest", "TKTest"};
const char* const kStyles[] = {"单选题", "共用题干题", "配伍题", "多选题", "判断题", "简答题", "填空题"};

// A question-set reply of roughly `targetBytes` of JSON text.
Value questionSetReply(std::size_t targetBytes) {
  Array sessions;
  Array questions;
  Value reply(Dictionary{
      {"Body", Dictionary{{"ID", 20140325}, {"Name", "第三章 药物化学 章节测试"}, {"Sessions", sessions}}},
      {"Questions", questions},
      {"Message", ""},
      {"LoginState", 0}});

  std::int64_t nextId = 100000;
  for (int t = 0; t < 7; ++t) {
    Array ids, favs;
    for (int i = 0; i < 60; ++i) {
      ids.push_back(nextId + i);
      if (i % 7 == 0) favs.push_back(nextId + i);
    }
    sessions.push_back(
        Value(Dictionary{{"Type", kTypes[t]},
                         {"StyleID", t + 1},
                         {"Style", kStyles[t]},
                         {"Description", "每道题有A、B、C、D、E五个备选答案，请选出一个最佳答案。"},
                         {kIdKeys[t], ids},
                         {kFavKeys[t], favs}}));
    nextId += 1000;
  }

  std::int64_t id = 100000;
  while (JSONRepresentation(reply).value_or("").size() < targetBytes) {
    for (int k = 0; k < 20; ++k, ++id) {
      questions.push_back(Value(Dictionary{
          {"AllTestID", id},
          {"Title",
           "患者，男，45岁。反复上腹痛3年，进食后加重，近1周出现黑便。下列哪项检查最有助于明确诊断？"},
          {"A", "胃镜检查"},
          {"B", "腹部B超"},
          {"C", "血常规"},
          {"D", "粪便隐血试验"},
          {"E", "上消化道钡餐"},
          {"Answer", "A"},
          {"Explain",
           "胃镜可直接观察病变并取活检，是诊断消化性溃疡及鉴别良恶性的首选方法。\n参见教材第\"3\"章。"},
          {"IsFav", id % 5 == 0},
          {"Score", core::Decimal{15, -1, false}},
          {"Note", Value::null()}}));
    }
  }
  return reply;
}

const std::string& replyText() {
  static const std::string text = JSONRepresentation(questionSetReply(200 * 1024)).value_or("");
  return text;
}

const char kSmallReply[] = R"({"Body":true,"Message":"","LoginState":0})";

void BM_ParseQuestionSetReply(benchmark::State& state) {
  const std::string& text = replyText();
  for (auto _ : state) {
    Value v = JSONValue(text);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["doc_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ParseQuestionSetReply)->Unit(benchmark::kMicrosecond);

void BM_WriteQuestionSetReply(benchmark::State& state) {
  const Value reply = JSONValue(replyText());
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto text = JsonWriter().stringWithObject(reply);
    bytes = text ? text->size() : 0;
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteQuestionSetReply)->Unit(benchmark::kMicrosecond);

void BM_ParseSmallReply(benchmark::State& state) {
  for (auto _ : state) {
    Value v = JSONValue(kSmallReply);
    benchmark::DoNotOptimize(v);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (sizeof kSmallReply - 1)));
}
BENCHMARK(BM_ParseSmallReply);

void BM_WriteSmallReply(benchmark::State& state) {
  const Value reply(Dictionary{{"Body", true}, {"Message", ""}, {"LoginState", 0}});
  for (auto _ : state) {
    auto text = JsonWriter().stringWithObject(reply);
    benchmark::DoNotOptimize(text);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (sizeof kSmallReply - 1)));
}
BENCHMARK(BM_WriteSmallReply);

}  // namespace
