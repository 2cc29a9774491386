// VDHelper: shaping a page of server notes into notes with their replies threaded under them.

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/VDHelper.h"
#include "dao/TestDAO.h"
#include "model/Note.h"
#include "model/Reply.h"
#include "platform/core/Text.h"

namespace {

constexpr const char* kMe = "我";
constexpr const char* kReplyMark = "replyid:";  // compared with the content in lower case
constexpr std::size_t kReplyMarkLength = 8;     // "ReplyID:" in UTF-16 units

// The logged-in user as the note lists compare authors with it.
struct CurrentUser {
  std::optional<std::string> nickName;  // "NickName" when it is a text
  std::int32_t id = 0;                  // "ID" as an integer; 0 when nobody is logged in
};

CurrentUser currentUser() {
  const VDHelper::NotePageContext context = VDHelper::notePageContext();
  return CurrentUser{context.nickName, context.userID};
}

// The ids among `aids` (each once, in page order) that the bank holds: asked of the hook one by one,
// else read from the bank in one query through one connection.
std::set<std::int32_t> questionsInBank(const std::vector<std::int32_t>& aids,
                                       const std::function<bool(std::int32_t)>& hook) {
  std::set<std::int32_t> held;
  if (aids.empty()) return held;
  if (hook) {
    for (std::int32_t aid : aids)
      if (hook(aid)) held.insert(aid);
    return held;
  }
  std::string list;
  for (std::int32_t aid : aids) {
    if (!list.empty()) list += ',';
    list += std::to_string(aid);
  }
  const std::set<std::int32_t> asked(aids.begin(), aids.end());
  for (const core::Value& record : TestDAO().getTestListWithType("ATEST", list)) {
    const std::int64_t aid = record["AID"].toInt();
    if (aid == static_cast<std::int32_t>(aid) && asked.count(static_cast<std::int32_t>(aid)))
      held.insert(static_cast<std::int32_t>(aid));
  }
  return held;
}

std::int32_t asInt32(const core::Value& v) { return static_cast<std::int32_t>(v.toInt()); }

bool isNickNameOf(const core::Value& userName, const CurrentUser& user) {
  return user.nickName && userName.isString() && userName.str() == *user.nickName;
}

// Whether an entry's author is shown as "我" in replies and in the names they answer.
bool isTheUsersEntry(const core::Value& entry, const CurrentUser& user) {
  return asInt32(entry["UID"]) == 0 || isNickNameOf(entry["UserName"], user);
}

bool isReplyEntry(const core::Value& entry) {
  return core::contains(core::toLower(entry["UserNoteContent"].toString()), kReplyMark);
}

// The id a reply answers: its content from the ninth character up to the first "|", as an integer.
std::int32_t answeredId(const core::Value& entry) {
  const std::string rest = core::utf16Substring(entry["UserNoteContent"].toString(), kReplyMarkLength);
  return core::intValue(rest.substr(0, rest.find('|')));
}

// The root of a reply's thread: starting from the id it answers, every reply of the page whose id is
// the current target makes the id it answers the new target. The page is scanned cyclically from its
// first reply; the scan ends at the last reply when that one is not the target. Replies that answer
// each other, or themselves, can keep such a scan going round for ever; since the scan is
// determined by where it stands and what it looks for, it goes round for ever exactly when it comes
// back to a place it has been with the same target after a match, and it ends there instead.
std::int32_t threadRoot(std::int32_t answered, const core::Array& replies) {
  const std::size_t n = replies.size();
  std::int32_t target = answered;
  if (n == 0) return target;
  std::set<std::pair<std::size_t, std::int32_t>> seen;  // (next index, target) after each match
  std::size_t i = 0;
  for (;;) {
    const core::Value entry = replies[i];
    if (asInt32(entry["ID"]) == target) {
      target = answeredId(entry);
      i = (i + 1) % n;
      if (!seen.emplace(i, target).second) break;
      continue;
    }
    if (i == n - 1) break;
    ++i;
  }
  return target;
}

ReplyArray shapeReplies(const core::Array& replies, const core::Array& dataArray, std::int32_t indexPage,
                        const CurrentUser& user) {
  ReplyArray out;
  for (const core::Value& entry : replies) {
    if (!entry.isDictionary()) continue;
    auto reply = Reply::fromServerEntry(entry, indexPage);
    if (reply->userID == 0 || isNickNameOf(entry["UserName"], user)) reply->userName = kMe;
    reply->belongID = threadRoot(reply->replyID, replies);
    for (const core::Value& other : dataArray) {
      if (!other.isDictionary() || asInt32(other["ID"]) != reply->replyID) continue;
      reply->replyName = isTheUsersEntry(other, user) ? std::string(kMe) : other["UserName"].toString();
    }
    out.push_back(std::move(reply));
  }
  return out;
}

}  // namespace

bool VDHelper::isQuestionInLocalBank(std::int32_t aid) {
  AppDelegate* app = getAppdelegate();
  if (app && app->services().questionInLocalBank) return app->services().questionInLocalBank(aid);
  return !TestDAO().getTestListWithType("ATEST", std::to_string(aid)).empty();
}

VDHelper::NotePageContext VDHelper::notePageContext() {
  NotePageContext context;
  AppDelegate* app = getAppdelegate();
  if (!app) return context;
  context.questionInLocalBank = app->services().questionInLocalBank;
  const core::Value info = app->userSession()["userInfo"];
  if (!info.isDictionary()) return context;
  if (info["NickName"].isString()) context.nickName = info["NickName"].str();
  context.userID = static_cast<std::int32_t>(info["ID"].toInt());
  return context;
}

VDHelper::NoteArray VDHelper::getNoteArr(const core::Value& entries, std::int32_t indexPage) {
  return getNoteArr(entries, indexPage, notePageContext());
}

VDHelper::NoteArray VDHelper::getNoteArr(const core::Value& entries, std::int32_t indexPage,
                                         const NotePageContext& context) {
  if (!entries.isArray()) return {};
  core::Array notes;
  core::Array replies;
  for (const core::Value& entry : entries.array()) {
    if (!entry.isDictionary()) continue;
    (isReplyEntry(entry) ? replies : notes).push_back(entry);
  }
  return setNoteArr(notes, replies, entries.array(), indexPage, context);
}

ReplyArray VDHelper::setReplyArr(const core::Array& replies, const core::Array& dataArray,
                                 std::int32_t indexPage) {
  return shapeReplies(replies, dataArray, indexPage, currentUser());
}

VDHelper::NoteArray VDHelper::setNoteArr(const core::Array& notes, const core::Array& myReplyArray,
                                         const core::Array& dataArray, std::int32_t indexPage) {
  return setNoteArr(notes, myReplyArray, dataArray, indexPage, notePageContext());
}

VDHelper::NoteArray VDHelper::setNoteArr(const core::Array& notes, const core::Array& myReplyArray,
                                         const core::Array& dataArray, std::int32_t indexPage,
                                         const NotePageContext& context) {
  const CurrentUser user{context.nickName, context.userID};
  std::vector<std::int32_t> aids;
  std::set<std::int32_t> seen;
  for (const core::Value& entry : notes) {
    if (!entry.isDictionary()) continue;
    const std::int32_t aid = Note::fromServerEntry(entry, indexPage)->AID;
    if (seen.insert(aid).second) aids.push_back(aid);
  }
  const std::set<std::int32_t> inBank = questionsInBank(aids, context.questionInLocalBank);
  NoteArray kept;
  for (const core::Value& entry : notes) {
    if (!entry.isDictionary()) continue;
    auto note = Note::fromServerEntry(entry, indexPage);
    if (note->userID == 0 || isNickNameOf(entry["UserName"], user) || note->userID == user.id) {
      note->userName = kMe;
    }
    // A note on a question the local bank does not hold is not shown.
    if (!inBank.count(note->AID)) continue;

    // Two independent sets of the page's replies: the direct answers are taken from the first, the
    // answers to answers are moved out of the second, so that none is listed twice.
    const ReplyArray visited = shapeReplies(myReplyArray, dataArray, indexPage, user);
    ReplyArray waiting = shapeReplies(myReplyArray, dataArray, indexPage, user);
    for (auto it = visited.rbegin(); it != visited.rend(); ++it) {
      const std::shared_ptr<Reply>& direct = *it;
      if (direct->replyID != note->NID) continue;
      for (auto w = waiting.begin(); w != waiting.end(); ++w) {
        if ((*w)->RID == direct->RID) {
          waiting.erase(w);
          break;
        }
      }
      direct->replyName.clear();
      note->replyArray->push_back(direct);
      for (auto w = waiting.begin(); w != waiting.end();) {
        const Reply& r = **w;
        if (r.belongID == note->NID && r.belongID != r.replyID && r.RID != direct->RID) {
          note->replyArray->push_back(*w);
          w = waiting.erase(w);
        } else {
          ++w;
        }
      }
    }
    kept.push_back(std::move(note));
  }
  return kept;
}
