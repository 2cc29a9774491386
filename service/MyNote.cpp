#include "service/MyNote.h"

#include "service/AbstractService.h"
#include "service/ApiClientSupport.h"
#include "service/ServerConfig.h"

namespace {

using apiclient::reporting;

// A session value that can go into a path: a non-empty text or a number.
std::optional<std::string> pathText(const core::Value& value) {
  if (!value.isString() && !value.isNumber()) return std::nullopt;
  std::string text = value.toString();
  if (text.empty()) return std::nullopt;
  return text;
}

std::string number(int n) { return std::to_string(n); }

}  // namespace

MyNote::Session MyNote::readSession() const {
  Session session;
  if (!sessionReader_) return session;
  session.eName = pathText(sessionReader_("appInfo")["EName"]);
  session.allTestId = pathText(sessionReader_("ALLTESTID"));
  return session;
}

bool MyNote::bodyIsNonZero(const core::Value& reply) { return reply["Body"].toInt(0) != 0; }

bool MyNote::bodyIsNoteId(const core::Value& reply) {
  return reply.isDictionary() && reply["Body"].isInteger() && reply["Body"].integer() > 0;
}

bool MyNote::bodyIsDeleted(const core::Value& reply) {
  if (!reply.isDictionary()) return false;
  const core::Value body = reply["Body"];
  return (body.isInteger() && body.integer() == 1) || (body.isBool() && body.toBool(false));
}

std::shared_ptr<AbstractService> MyNote::abstractService() const {
  std::lock_guard guard(mutex_);
  return abstractService_;
}

std::shared_ptr<AbstractService> MyNote::newService() {
  auto service = std::make_shared<AbstractService>();
  std::lock_guard guard(mutex_);
  abstractService_ = service;
  return service;
}

void MyNote::refuse(void (MyNoteDelegate::*callback)(bool, const core::Value&)) {
  apiclient::postToMain([self = weak_from_this().lock(), callback] {
    if (!self) return;
    if (auto d = self->delegate.lock()) ((*d).*callback)(false, core::Value());
  });
}

void MyNote::getAllNoteByAID(int page) {
  Session session = readSession();
  if (!session.eName || !session.allTestId) return refuse(&MyNoteDelegate::didGetAllNoteByAID);
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &MyNoteDelegate::didGetAllNoteByAID));
  service->doGetRequest(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/exam/GetAllNoteByAID/%@/%@/%@",
                                                      {*session.eName, *session.allTestId, number(page)})),
      true);
}

void MyNote::GetMyNotes(int page) {
  Session session = readSession();
  if (!session.eName) return refuse(&MyNoteDelegate::didGetMyNotes);
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &MyNoteDelegate::didGetMyNotes));
  service->doGetRequest(ServerConfig::current().mainURL(apiclient::path("1.0/json/exam/GetMyNotes/%@/%@",
                                                                        {*session.eName, number(page)})),
                        page == 1);
}

void MyNote::getMyNote() {
  Session session = readSession();
  if (!session.eName || !session.allTestId) return refuse(&MyNoteDelegate::didGetMyNote);
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &MyNoteDelegate::didGetMyNote));
  service->doGetRequest(ServerConfig::current().mainURL(apiclient::path(
                            "1.0/json/exam/GetMyNote/%@/%@", {*session.eName, *session.allTestId})),
                        true);
}

void MyNote::setUserNoteByID(const std::string& noteJson, int allTestId) {
  Session session = readSession();
  if (!session.eName) return refuse(&MyNoteDelegate::didSetUserNoteByID);
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), bodyIsNonZero, &MyNoteDelegate::didSetUserNoteByID));
  service->doPostRequest(AbstractService::escapeURLOnce(ServerConfig::current().mainURL(apiclient::path(
                             "1.0/json/exam/SetUserNoteByID/%@/%@", {*session.eName, number(allTestId)}))),
                         noteJson, true);
}

void MyNote::deleteUserNote(int noteId, const std::string& bankName) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), bodyIsNonZero, &MyNoteDelegate::didDeleteUserNote));
  service->doGetRequest(ServerConfig::current().mainURL(apiclient::path("1.0/json/exam/DeleteUserNote/%@/%@",
                                                                        {number(noteId), bankName})),
                        true);
}

void MyNote::fTbyAID(const std::string& allTestId) {
  Session session = readSession();
  if (!session.eName) return refuse(&MyNoteDelegate::didFTbyAID);
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyPresent, &MyNoteDelegate::didFTbyAID));
  service->doGetRequest(ServerConfig::current().mainURL(
                            apiclient::path("1.0/json/exam/FTbyAID/%@/%@", {*session.eName, allTestId})),
                        true);
}

void MyNote::setDataSynchroUserNote(const std::string& noteJson) {
  Session session = readSession();
  if (!session.eName || !session.allTestId) return refuse(&MyNoteDelegate::didSetDataSynchroUserNote);
  const std::string questionId = std::to_string(core::Value(*session.allTestId).toInt(0));
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), bodyIsNonZero, &MyNoteDelegate::didSetDataSynchroUserNote));
  service->doPostRequest(AbstractService::escapeURLOnce(ServerConfig::current().mainURL(apiclient::path(
                             "1.0/json/exam/SetUserNoteByID/%@/%@", {*session.eName, questionId}))),
                         noteJson, true);
}

core::Value MyNote::getAllNoteByAIDSyn(int page) {
  Session session = readSession();
  if (!session.eName || !session.allTestId) return core::Value();
  return getDataSynchroUserNoteSyn(*session.allTestId, *session.eName, page);
}

core::Value MyNote::getMyNotesSyn(int page) {
  Session session = readSession();
  if (!session.eName) return core::Value();
  return getMyNotesSyn(*session.eName, page);
}

core::Value MyNote::getMyNotesSyn(const std::string& eName, int page) {
  return newService()->doGetSynchronousRequest(AbstractService::escapeURLOnce(ServerConfig::current().mainURL(
      apiclient::path("1.0/json/exam/GetMyNotes/%@/%@", {eName, number(page)}))));
}

core::Value MyNote::getDataSynchroUserNoteByAllTestIDSyn(const std::string& allTestId,
                                                         const std::string& bankName, int page) {
  return getDataSynchroUserNoteSyn(allTestId, bankName, page);
}

core::Value MyNote::getDataSynchroUserNoteSyn(const std::string& allTestId, const std::string& bankName,
                                              int page) {
  return newService()->doGetSynchronousRequest(AbstractService::escapeURLOnce(ServerConfig::current().mainURL(
      apiclient::path("1.0/json/exam/GetAllNoteByAID/%@/%@/%@", {bankName, allTestId, number(page)}))));
}
