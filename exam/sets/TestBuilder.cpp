#include "exam/sets/TestBuilder.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dao/TestDAO.h"
#include "model/QuestionType.h"
#include "platform/core/Text.h"

namespace {

using Step = QuestionsArray (*)(const core::Array&, const core::Value&, const core::Value&);

// Per type, in the order types are tried: the prefix of its session keys ("A" -> "ATestid" for the ids,
// "ATest" for the favourites) and its step.
struct TypeEntry {
  QuestionType type;
  const char* prefix;
  Step step;
};

const std::array<TypeEntry, 7>& typeTable() {
  static const std::array<TypeEntry, 7> table = {{
      {QuestionType::ATEST, "A", &TestBuilder::analysisATEST},
      {QuestionType::BTEST, "B", &TestBuilder::analysisBTEST},
      {QuestionType::A3TEST, "A3", &TestBuilder::analysisA3TEST},
      {QuestionType::XTEST, "X", &TestBuilder::analysisXTEST},
      {QuestionType::PDTEST, "PD", &TestBuilder::analysisPDTEST},
      {QuestionType::JDTEST, "JD", &TestBuilder::analysisJDTEST},
      {QuestionType::TKTEST, "TK", &TestBuilder::analysisTKTEST},
  }};
  return table;
}

const TypeEntry* entryFor(const core::Value& typeValue) {
  if (!typeValue.isString()) return nullptr;
  auto type = questionTypeNamed(typeValue.str());
  if (!type) return nullptr;
  for (const TypeEntry& e : typeTable())
    if (e.type == *type) return &e;
  return nullptr;
}

// A text field of a record: the string itself, "" for a missing value or a JSON null, "%@" of anything
// else (a number given where a text was expected).
std::string text(const core::Value& v) {
  if (v.isString()) return v.str();
  if (v.isNilOrNull()) return std::string();
  return v.describe();
}

// The id list of a session as the text that goes to the bank: only digits and commas, at least one digit;
// nothing for anything else (so a malformed or hostile list never reaches the query).
std::optional<std::string> idListText(const core::Value& v) {
  if (!v.isString() && !v.isNumber()) return std::nullopt;
  const std::string t = v.describe();
  bool digit = false;
  for (char c : t) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c != ',')
      return std::nullopt;
  }
  if (!digit) return std::nullopt;
  return t;
}

// Copies `key` of `from` into `to` (nothing when it is missing).
void copy(core::Value& to, const char* key, const core::Value& from, const char* fromKey = nullptr) {
  to.set(key, from[fromKey ? fromKey : key]);
}

// Questions of the plain types (ATEST, XTEST, PDTEST and, without options, JDTEST and TKTEST).
QuestionsArray plainRows(const core::Array& rows, const core::Value& body, const core::Value& session,
                         bool withOptions) {
  QuestionsArray out;
  for (const core::Value& row : rows) {
    if (!row.isDictionary()) continue;
    core::Value test = core::Value::newDictionary();
    copy(test, "AID", row);
    copy(test, "Answer", row);
    copy(test, "Explain", row);
    TestBuilder::setIsFav(session, test, row);
    copy(test, "ID", row);
    if (withOptions) {
      copy(test, "ItemNum", row);
      copy(test, "ChoiceItems", row, "Items");
    }
    copy(test, "SortID", row);
    copy(test, "Title", row);
    test.set("IsFirst", out.empty());
    out.push_back(TestBuilder::getQuestionsByparmsBody(body, session, test));
  }
  return out;
}

std::mutex& hookMutex() {
  static std::mutex m;
  return m;
}

std::function<void()>& buildHook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void TestBuilder::setBuildHook(std::function<void()> hook) {
  std::lock_guard lock(hookMutex());
  buildHook() = std::move(hook);
}

core::Value TestBuilder::copyForBuild(const core::Value& body) {
  return body.isDictionary() ? body.deepCopy() : core::Value::null();
}

std::optional<QuestionsArray> TestBuilder::changeJSonToTestArrayByDB(const core::Value& body) {
  std::function<void()> hook;
  {
    std::lock_guard lock(hookMutex());
    hook = buildHook();
  }
  if (hook) hook();  // called with no lock held
  if (!body.isDictionary()) return std::nullopt;
  core::Value bodyCopy = core::Value::newDictionary();
  for (const char* key : {"ID", "Name", "Score", "TestType"}) copy(bodyCopy, key, body);
  const core::Value sessions = body["Sessions"];
  if (!sessions.isArray() || sessions.size() > kMaxSessions) return std::nullopt;

  // The sessions that name questions, then all their rows through one connection.
  struct Group {
    const TypeEntry* entry;
    core::Value sessionCopy;
  };
  std::vector<Group> groups;
  std::vector<std::string> idLists;
  std::size_t idCount = 0;
  for (const core::Value& session : sessions.array()) {
    if (!session.isDictionary()) continue;
    core::Value sessionCopy = core::Value::newDictionary();
    for (const char* key : {"Description", "Score", "StyleID", "Style", "TestCount", "Type"})
      copy(sessionCopy, key, session);
    setParmsSessioin(sessionCopy, session);

    const TypeEntry* entry = entryFor(session["Type"]);
    if (!entry) continue;
    auto ids = idListText(session[std::string(entry->prefix) + "Testid"]);
    if (!ids) continue;
    idCount += 1 + static_cast<std::size_t>(std::count(ids->begin(), ids->end(), ','));
    if (idCount > kMaxQuestionIds) return std::nullopt;
    groups.push_back({entry, std::move(sessionCopy)});
    idLists.push_back(std::move(*ids));
  }
  if (groups.empty()) return QuestionsArray{};
  const std::vector<core::Array> rows = TestDAO("").getTestLists(idLists);

  QuestionsArray result;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    QuestionsArray questions = groups[i].entry->step(rows[i], bodyCopy, groups[i].sessionCopy);
    result.insert(result.end(), questions.begin(), questions.end());
  }
  return result;
}

std::shared_ptr<Questions> TestBuilder::getQuestionsByparmsBody(const core::Value& body,
                                                                const core::Value& session,
                                                                const core::Value& test) {
  auto q = std::make_shared<Questions>();
  q->Cptid = body["ID"].describe();
  q->Chapter = text(body["Name"]);
  q->IsFav = test["Isfav"].toBool();
  q->FavId = test["FavID"].describe();
  q->styleID = session["StyleID"].describe();
  q->style = text(session["Style"]);
  q->type = text(session["Type"]);
  q->Style_Explain = text(session["Description"]);
  q->FrontTitle = text(test["FrontTitle"]);
  q->MainTitle = text(test["Title"]);
  q->ItemNum = test["ItemNum"].describe();
  q->ChoiceItems = test["ChoiceItems"];
  q->Answer = text(test["Answer"]);
  q->Explain = text(test["Explain"]);
  q->AllTestID = test["AID"].describe();
  q->AllTest_EplID = test["ID"].describe();
  q->IsFirst = test["IsFirst"].toBool();
  return q;
}

QuestionsArray TestBuilder::analysisATEST(const core::Array& rows, const core::Value& body,
                                          const core::Value& session) {
  return plainRows(rows, body, session, true);
}

QuestionsArray TestBuilder::analysisXTEST(const core::Array& rows, const core::Value& body,
                                          const core::Value& session) {
  return plainRows(rows, body, session, true);
}

QuestionsArray TestBuilder::analysisPDTEST(const core::Array& rows, const core::Value& body,
                                           const core::Value& session) {
  return plainRows(rows, body, session, true);
}

QuestionsArray TestBuilder::analysisJDTEST(const core::Array& rows, const core::Value& body,
                                           const core::Value& session) {
  return plainRows(rows, body, session, false);
}

QuestionsArray TestBuilder::analysisTKTEST(const core::Array& rows, const core::Value& body,
                                           const core::Value& session) {
  return plainRows(rows, body, session, false);
}

QuestionsArray TestBuilder::analysisA3TEST(const core::Array& rows, const core::Value& body,
                                           const core::Value& session) {
  QuestionsArray out;
  for (const core::Value& row : rows) {
    if (!row.isDictionary()) continue;
    core::Value test = core::Value::newDictionary();
    copy(test, "AID", row);
    copy(test, "FrontTitle", row);
    copy(test, "ID", row);
    setIsFav(session, test, row);
    const core::Value subs = row["Items"];
    if (!subs.isArray()) continue;
    for (const core::Value& sub : subs.array()) {
      if (!sub.isDictionary()) continue;
      copy(test, "A3TestID", sub);
      copy(test, "Answer", sub);
      copy(test, "Explain", sub);
      copy(test, "ID", sub);
      copy(test, "ItemNum", sub);
      copy(test, "ChoiceItems", sub, "Items");
      copy(test, "SortID", sub);
      copy(test, "Title", sub);
      test.set("IsFirst", out.empty());
      out.push_back(getQuestionsByparmsBody(body, session, test));
    }
  }
  return out;
}

QuestionsArray TestBuilder::analysisBTEST(const core::Array& rows, const core::Value& body,
                                          const core::Value& session) {
  QuestionsArray out;
  for (const core::Value& row : rows) {
    if (!row.isDictionary()) continue;
    core::Value test = core::Value::newDictionary();
    copy(test, "AID", row);
    copy(test, "ChoiceItems", row, "ChoiseItems");
    copy(test, "FrontTitle", row);
    copy(test, "ID", row);
    copy(test, "ItemNum", row);
    setIsFav(session, test, row);
    const core::Value subs = row["Items"];
    if (!subs.isArray()) continue;
    for (const core::Value& sub : subs.array()) {
      if (!sub.isDictionary()) continue;
      copy(test, "Answer", sub);
      copy(test, "BTestID", sub);
      copy(test, "Explain", sub);
      copy(test, "ID", sub);
      copy(test, "SortID", sub);
      copy(test, "Title", sub);
      test.set("IsFirst", out.empty());
      out.push_back(getQuestionsByparmsBody(body, session, test));
    }
  }
  return out;
}

void TestBuilder::setIsFav(const core::Value& session, core::Value& test, const core::Value& row) {
  const core::Value list = session["FavIDList"];
  bool favourite = false;
  if (!list.isNilOrNull()) {
    const std::string aid = row["AID"].describe();
    for (const std::string& id : core::split(list.describe(), ",")) {
      if (core::trim(id) == aid) {
        favourite = true;
        break;
      }
    }
  }
  test.set("Isfav", favourite);
  test.set("FavID", favourite ? "1" : "-1");
}

void TestBuilder::setParmsSessioin(core::Value& newSession, const core::Value& session) {
  const TypeEntry* entry = entryFor(session["Type"]);
  if (!entry) return;
  newSession.set("FavIDList", session[std::string(entry->prefix) + "Test"]);
}
