// Parse and write throughput of the JSON codec beside RapidJSON on the two shapes of server reply
// the application handles most: a question-set reply of about 206 KB (session lists of question ids
// plus question records with Chinese text) and the small command reply
// {"Body":true,"Message":"","LoginState":0}. Both sides read the same bytes into a tree (RapidJSON's
// DOM) and write the same tree back to text (RapidJSON's Writer); the writers' texts are checked to
// be identical before anything is timed.

#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/support/PeerComparison.h"
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

std::string rapidText(const rapidjson::Document& doc) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  doc.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

// Both writers must produce the same text from the same input, or the comparison means nothing.
void checkSameOutput(const std::string& text) {
  rapidjson::Document doc;
  doc.Parse(text.data(), text.size());
  const std::string ours = JSONRepresentation(JSONValue(text)).value_or("");
  if (doc.HasParseError() || ours != text || rapidText(doc) != text) {
    std::fprintf(stderr, "json_bench: the two codecs do not agree on a %zu-byte text\n", text.size());
    std::exit(1);
  }
}

void ParseLargeReply(benchmark::State& state) {
  const std::string& text = replyText();
  for (auto _ : state) {
    Value v = JSONValue(text);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["doc_bytes"] = static_cast<double>(text.size());
}

void ParseLargeReply_RapidJSON(benchmark::State& state) {
  const std::string& text = replyText();
  for (auto _ : state) {
    rapidjson::Document doc;
    doc.Parse(text.data(), text.size());
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void WriteLargeReply(benchmark::State& state) {
  const Value reply = JSONValue(replyText());
  std::size_t bytes = 0;
  for (auto _ : state) {
    auto text = JsonWriter().stringWithObject(reply);
    bytes = text ? text->size() : 0;
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void WriteLargeReply_RapidJSON(benchmark::State& state) {
  rapidjson::Document doc;
  doc.Parse(replyText().data(), replyText().size());
  std::size_t bytes = 0;
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    doc.Accept(writer);
    bytes = buffer.GetSize();
    benchmark::DoNotOptimize(buffer.GetString());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void ParseSmallReply(benchmark::State& state) {
  for (auto _ : state) {
    Value v = JSONValue(kSmallReply);
    benchmark::DoNotOptimize(v);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (sizeof kSmallReply - 1)));
}

void ParseSmallReply_RapidJSON(benchmark::State& state) {
  for (auto _ : state) {
    rapidjson::Document doc;
    doc.Parse(kSmallReply, sizeof kSmallReply - 1);
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (sizeof kSmallReply - 1)));
}

void WriteSmallReply(benchmark::State& state) {
  const Value reply(Dictionary{{"Body", true}, {"Message", ""}, {"LoginState", 0}});
  for (auto _ : state) {
    auto text = JsonWriter().stringWithObject(reply);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (sizeof kSmallReply - 1)));
}

void WriteSmallReply_RapidJSON(benchmark::State& state) {
  rapidjson::Document doc;
  doc.Parse(kSmallReply, sizeof kSmallReply - 1);
  for (auto _ : state) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    doc.Accept(writer);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (sizeof kSmallReply - 1)));
}

BENCHMARK(ParseLargeReply)->Unit(benchmark::kMicrosecond);
BENCHMARK(ParseLargeReply_RapidJSON)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteLargeReply)->Unit(benchmark::kMicrosecond);
BENCHMARK(WriteLargeReply_RapidJSON)->Unit(benchmark::kMicrosecond);
BENCHMARK(ParseSmallReply);
BENCHMARK(ParseSmallReply_RapidJSON);
BENCHMARK(WriteSmallReply);
BENCHMARK(WriteSmallReply_RapidJSON);

}  // namespace

int main(int argc, char** argv) {
  checkSameOutput(replyText());
  checkSameOutput(kSmallReply);
  using vdbench::compare;
  compare({"JSON parse, 206 KB question-set reply", "ParseLargeReply", "ParseLargeReply_RapidJSON",
           "RapidJSON DOM", 2.5});
  compare({"JSON write, 206 KB question-set reply", "WriteLargeReply", "WriteLargeReply_RapidJSON",
           "RapidJSON Writer", 3.0});
  compare({"JSON parse, small reply", "ParseSmallReply", "ParseSmallReply_RapidJSON", "RapidJSON DOM"});
  compare({"JSON write, small reply", "WriteSmallReply", "WriteSmallReply_RapidJSON", "RapidJSON Writer"});
  return vdbench::runAndCompare(argc, argv);
}
