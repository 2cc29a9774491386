#include "bank/QuestionBank.h"

#include <filesystem>
#include <string>
#include <utility>

#include "bank/BankFiles.h"
#include "dao/BankKeyCache.h"
#include "dao/BankLocation.h"
#include "dao/BaseDAO.h"
#include "dao/DBVersionDAO.h"
#include "dao/OtherContentDAO.h"
#include "dao/TestAlterDAO.h"
#include "platform/core/Paths.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "service/System.h"

namespace {

std::string normalized(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

bool removeTree(const QuestionBank::Remover& remove, const std::string& path) {
  return remove ? remove(path) : core::Paths::removeAll(path);
}

}  // namespace

std::shared_ptr<QuestionBank> QuestionBank::make(BankPaths paths) {
  return std::make_shared<QuestionBank>(std::move(paths));
}

rl::DispatchQueue& QuestionBank::queue() {
  static const std::shared_ptr<rl::DispatchQueue> queue = rl::DispatchQueue::serial("question-bank");
  return *queue;
}

template <class Task, class Reply>
void QuestionBank::post(Task task, Reply reply) {
  rl::postTaskAndReply(queue(), weak_from_this(), std::move(task), std::move(reply));
}

template <class Task, class Reply>
void QuestionBank::postQuery(Task task, Reply reply) {
  rl::postTaskAndReply(rl::DispatchQueue::global(), weak_from_this(), std::move(task), std::move(reply));
}

// ---- asynchronous ----

void QuestionBank::install(const std::string& archivePath, Done done) {
  post(
      [paths = paths_, archivePath] {
        if (!moveArchiveIn(paths, archivePath)) return false;
        if (!installArchive(paths, paths.cacheDirectory + "/" + paths.subject + ".zip", paths.cacheDirectory,
                            true))
          return false;
        return core::Paths::removeAll(paths.cacheDirectory);
      },
      [done = std::move(done)](QuestionBank&, bool ok) {
        if (done) done(ok);
      });
}

void QuestionBank::checkUpdate(ReplyDone done) {
  // A question to the network changes no file: it need not wait for the bank's changes, nor they for it.
  postQuery(
      [paths = paths_] {
        return UpdateCentreReply::parse(queryUpdateCentre(paths.subject, localMaxBatchId(paths)));
      },
      [done = std::move(done)](QuestionBank&, std::optional<UpdateCentreReply> reply) {
        if (done) done(std::move(reply));
      });
}

void QuestionBank::maxBatchId(std::function<void(std::int64_t)> done) {
  post([paths = paths_] { return localMaxBatchId(paths); },
       [done = std::move(done)](QuestionBank&, std::int64_t maxBatchId) {
         if (done) done(maxBatchId);
       });
}

void QuestionBank::merge(const std::string& packPath, Done done) {
  post([paths = paths_, packPath] { return mergePack(paths, packPath); },
       [done = std::move(done)](QuestionBank&, bool ok) {
         if (done) done(ok);
       });
}

void QuestionBank::replace(const std::string& newBankFile, Done done) {
  post([paths = paths_, newBankFile] { return replaceBank(paths, newBankFile); },
       [done = std::move(done)](QuestionBank&, bool ok) {
         if (done) done(ok);
       });
}

void QuestionBank::clear(Done done, Remover remove) {
  post([paths = paths_, remove = std::move(remove)] { return clearBank(paths, remove); },
       [done = std::move(done)](QuestionBank&, bool ok) {
         if (done) done(ok);
       });
}

// ---- steps ----

bool QuestionBank::moveArchiveIn(const BankPaths& paths, const std::string& archivePath) {
  if (!paths.usable() || !core::Paths::isRegularFile(archivePath)) return false;
  core::Paths::createDirectories(paths.cacheDirectory);
  return BankFiles::moveFileAtPath(archivePath, paths.cacheDirectory + "/" + paths.subject + ".zip");
}

bool QuestionBank::installArchive(const BankPaths& paths, const std::string& archivePath,
                                  const std::string& workDirectory, bool imagesRequired,
                                  std::string* refusal) {
  if (!paths.usable() || workDirectory.empty()) return false;
  // 1. The archive is unpacked beside the bank, never over it.
  core::Paths::createDirectories(workDirectory);
  if (!BankFiles::unZip(archivePath, workDirectory, refusal)) return false;
  // 2. Its database replaces the bank in one step (the old bank stays until then); a file that is no
  //    database never replaces it.
  const std::string database = workDirectory + "/" + paths.subject + ".db";
  if (!replaceBank(paths, database)) return false;
  // 3. Its image pack.
  const std::string images = workDirectory + "/ImgDir_" + paths.subject + ".zip";
  if (!imagesRequired && !core::Paths::isRegularFile(images)) return true;
  core::Paths::createDirectories(paths.imageDirectory);
  return BankFiles::unZip(images, paths.imageDirectory, refusal);
}

bool QuestionBank::replaceBank(const BankPaths& paths, const std::string& newBankFile) {
  if (!paths.usable() || !BankFiles::isSQLiteFile(newBankFile)) return false;
  core::Paths::createDirectories(paths.dbDirectory);
  const bool replaced = BankFiles::replaceFile(newBankFile, paths.bankFile());
  BankKeyCache::invalidate();
  return replaced;
}

bool QuestionBank::mergePack(const BankPaths& paths, const std::string& packPath) {
  if (!paths.usable()) return false;
  return mergePack(packPath, paths.bankFile(), paths.workingCopy());
}

bool QuestionBank::mergePack(const std::string& packPath, const std::string& localDBPath,
                             const std::string& workingCopyPath, std::string* refusal) {
  if (!core::Paths::isRegularFile(packPath) || !core::Paths::isRegularFile(localDBPath)) return false;
  // A pack whose tables lack a column the steps read is refused whole, before the bank is even copied:
  // merged, it would blank the questions and content it updates.
  for (auto check : {&DBVersionDAO::packRefusal, &TestAlterDAO::packRefusal, &OtherContentDAO::packRefusal}) {
    if (std::optional<std::string> why = check(packPath)) {
      if (refusal) *refusal = *why;
      return false;
    }
  }
  // The data-access objects write to the working copy they find themselves: it must be this one.
  if (normalized(BaseDAO().getDBPathUpdate(BankLocation::value() + ".db")) != normalized(workingCopyPath))
    return false;

  // Every merge starts from a fresh copy of the bank: a copy left by an earlier step or run is not
  // reused, nor its rollback journal (a merge killed while committing leaves one, which SQLite would
  // otherwise play back onto the new copy: the old bank's pages over the present one's).
  BankFiles::removeDatabaseFiles(workingCopyPath);
  if (!BankFiles::copyFile(localDBPath, workingCopyPath)) return false;

  const bool merged = DBVersionDAO().upgradeDB(packPath) &&
                      TestAlterDAO().upgradeDB(packPath, workingCopyPath) &&
                      OtherContentDAO().upgradeDB(packPath);
  if (!merged) {
    BankFiles::removeDatabaseFiles(workingCopyPath);
    return false;
  }
  // The merged copy takes the bank's place in one step: the bank is never deleted first.
  const bool replaced = BankFiles::replaceFile(workingCopyPath, localDBPath);
  BankKeyCache::invalidate();
  if (!replaced) {
    BankFiles::removeDatabaseFiles(workingCopyPath);
    return false;
  }
  return true;
}

bool QuestionBank::removeBankFile(const BankPaths& paths, const Remover& remove) {
  const std::string bank = paths.bankFile();
  if (bank.empty() || !core::Paths::fileExists(bank)) return false;
  const bool removed = removeTree(remove, bank);
  BankKeyCache::invalidate();
  return removed;
}

bool QuestionBank::clearBank(const BankPaths& paths, const Remover& remove) {
  const std::string bank = paths.bankFile();
  if (bank.empty() || !core::Paths::fileExists(bank)) return true;
  if (!removeBankFile(paths, remove)) return false;
  // The images go with the bank; their own result does not change the answer.
  if (!paths.imageDirectory.empty()) removeTree(remove, paths.imageDirectory);
  return true;
}

std::int64_t QuestionBank::localMaxBatchId(const BankPaths& paths) {
  if (!paths.usable() || !core::Paths::fileExists(paths.bankFile())) return -1;
  return DBVersionDAO().getMaxBatchID();
}

core::Value QuestionBank::queryUpdateCentre(const std::string& subject, std::int64_t maxBatchId) {
  auto system = std::make_shared<System>();
  core::Value reply = system->querySyn(subject, maxBatchId);
  if (reply.isDictionary() && reply["update_list"].isNilOrNull())
    reply.set("update_list", core::Value::newArray());
  return reply;
}
