#pragma once
// MyNote: the API client of the notes on questions: all users' notes on a question (paged), the user's
// own notes (paged), the user's note on one question, saving and deleting a note, and the question of
// a note. Each call makes one AbstractService (kept in abstractService()) and reports once to the weak
// delegate on the main thread: false and null without a reply, else the operation's flag and the reply.
//
// Most paths carry two values of the application's session, read at each call: the "EName" of its
// "appInfo" (the bank short name of the AppInfo reply) and its "ALLTESTID" (the question shown). A call
// that needs a value the session does not hold sends nothing: its callback gets false and null (later,
// on the main thread) and a synchronous call returns null.
//
// getAllNoteByAID and GetMyNotes may be called from any thread (the note screens load further pages on
// threads of their own); the other operations on the main thread. Make clients with std::make_shared:
// a call holds its client until the reply has been delivered.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/Value.h"

class AbstractService;

// Callbacks of the notes area. Every method is optional: the defaults do nothing.
struct MyNoteDelegate {
  virtual ~MyNoteDelegate() = default;
  virtual void didGetAllNoteByAID(bool ok, const core::Value& json) {}
  virtual void didGetMyNotes(bool ok, const core::Value& json) {}
  virtual void didGetMyNote(bool ok, const core::Value& json) {}
  virtual void didSetUserNoteByID(bool ok, const core::Value& json) {}
  virtual void didDeleteUserNote(bool ok, const core::Value& json) {}
  virtual void didFTbyAID(bool ok, const core::Value& json) {}
  virtual void didSetDataSynchroUserNote(bool ok, const core::Value& json) {}
};

class MyNote : public std::enable_shared_from_this<MyNote> {
 public:
  // The most notes one page of a list may hold (a server page holds ten): the note screens refuse a
  // longer page with their error, so that no screen builds rows for an unbounded list.
  static constexpr std::size_t kMaxNotesPerPage = 1000;

  // Reads one value of the application's session ("appInfo", "ALLTESTID"); null when it is not there.
  // Called on the thread of the call; returns a value the caller may keep (a copy). Whoever makes the
  // client hands it in (the screens: Session::copiedEntry); without one the session holds nothing.
  using SessionReader = std::function<core::Value(const std::string& key)>;
  MyNote() = default;
  explicit MyNote(SessionReader reader) : sessionReader_(std::move(reader)) {}

  std::weak_ptr<MyNoteDelegate> delegate;

  std::shared_ptr<AbstractService> abstractService() const;

  // GET 1.0/json/exam/GetAllNoteByAID/<EName>/<ALLTESTID>/<page>, overlay, body-non-empty.
  void getAllNoteByAID(int page);
  // GET 1.0/json/exam/GetMyNotes/<EName>/<page>, overlay for page 1 only, body-non-empty.
  void GetMyNotes(int page);
  // GET 1.0/json/exam/GetMyNote/<EName>/<ALLTESTID>, overlay, body-non-empty.
  void getMyNote();
  // POST 1.0/json/exam/SetUserNoteByID/<EName>/<question id> with the note JSON, overlay; succeeds when
  // "Body" reads as a non-zero integer (the note's id).
  void setUserNoteByID(const std::string& noteJson, int allTestId);
  // GET 1.0/json/exam/DeleteUserNote/<note id>/<bank>, overlay; "Body" a non-zero integer.
  void deleteUserNote(int noteId, const std::string& bankName);
  // GET 1.0/json/exam/FTbyAID/<EName>/<question id>, overlay, body-present.
  void fTbyAID(const std::string& allTestId);
  // POST 1.0/json/exam/SetUserNoteByID/<EName>/<ALLTESTID as integer>, overlay; "Body" non-zero.
  void setDataSynchroUserNote(const std::string& noteJson);

  // Synchronous on the calling thread; the reply or null.
  core::Value getAllNoteByAIDSyn(int page);  // GetAllNoteByAID/<EName>/<ALLTESTID>/<page>
  core::Value getMyNotesSyn(int page);       // GetMyNotes/<EName>/<page>
  // GetMyNotes/<eName>/<page> with the bank's short name given: reads no session, so it may run on a
  // worker thread that must not wait for the main thread.
  core::Value getMyNotesSyn(const std::string& eName, int page);
  // GetAllNoteByAID/<bank>/<question id>/<page>
  core::Value getDataSynchroUserNoteByAllTestIDSyn(const std::string& allTestId, const std::string& bankName,
                                                   int page);
  core::Value getDataSynchroUserNoteSyn(const std::string& allTestId, const std::string& bankName, int page);

  // The note-integer rule: "Body" read as an integer is not 0 (null or missing count as 0).
  static bool bodyIsNonZero(const core::Value& reply);
  // The replies of a save and of a delete of their shape and saying done (the screens' stricter rules:
  // a text, a list, an object or a reply of another shape never counts, whatever it reads as).
  // A save: an object whose "Body" is a whole number above 0 (the note's id).
  static bool bodyIsNoteId(const core::Value& reply);
  // A delete: an object whose "Body" is 1 or true.
  static bool bodyIsDeleted(const core::Value& reply);

 private:
  struct Session {
    std::optional<std::string> eName;
    std::optional<std::string> allTestId;
  };
  Session readSession() const;
  std::shared_ptr<AbstractService> newService();
  // No request: the callback gets false and null on the main thread.
  void refuse(void (MyNoteDelegate::*callback)(bool, const core::Value&));

  const SessionReader sessionReader_;  // set once, when made: read from any thread without a lock
  mutable std::mutex mutex_;
  std::shared_ptr<AbstractService> abstractService_;
};
