#pragma once
// QuestionBank: the life of one subject's question bank on disk, and the one thing the screens and the
// shell call to change it: install from an archive, ask the update centre, merge an update pack,
// replace the bank with a new one, clear it.
//
// Every step that replaces, merges into or removes the bank drops the key cache (BankKeyCache) itself,
// also when it fails half-way: its callers never do. The live bank is only ever replaced by renaming a
// complete SQLite file over it, so a failed or killed step leaves the old bank or the new one, never
// none and never a file that is no database.
//
// Two faces:
// - The asynchronous calls (main thread, or any thread with a run loop): the work runs on the bank's own
//   serial queue (one change at a time, in order; the update-centre query, which changes nothing, on the
//   global queue), the answer comes back on the caller's run loop
//   (rl::postTaskAndReply), and only while this object is alive: a screen that holds its QuestionBank
//   hears nothing after it is gone.
// - The steps themselves (static, any thread), for work that is already on a worker: the update run
//   applies its packets with them.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bank/BankPaths.h"
#include "bank/UpdateCentreReply.h"
#include "platform/core/Value.h"

namespace rl {
class DispatchQueue;
}

class QuestionBank : public std::enable_shared_from_this<QuestionBank> {
 public:
  // Removes a file or directory tree; true when nothing is left at the path. Empty:
  // core::Paths::removeAll. Called on the worker, so it must be safe on any thread.
  using Remover = std::function<bool(const std::string& path)>;
  using Done = std::function<void(bool ok)>;
  using ReplyDone = std::function<void(std::optional<UpdateCentreReply> reply)>;

  static std::shared_ptr<QuestionBank> make(BankPaths paths);
  explicit QuestionBank(BankPaths paths) : paths_(std::move(paths)) {}
  const BankPaths& paths() const { return paths_; }

  // ---- asynchronous ----
  // The first install: the archive "<subject>.zip" at `archivePath` is moved into the cache directory
  // (moveArchiveIn), installed from there with its image pack (installArchive) and the cache directory
  // removed. False when any step failed; what was left stays for a look.
  void install(const std::string& archivePath, Done done);
  // Asks the update centre for this subject's packets after the bank's largest batch id (-1 without a
  // bank). nullopt when no reply came or the reply had the wrong shape.
  void checkUpdate(ReplyDone done);
  // The bank's largest batch id (localMaxBatchId), read on the bank's worker.
  void maxBatchId(std::function<void(std::int64_t maxBatchId)> done);
  void merge(const std::string& packPath, Done done);
  void replace(const std::string& newBankFile, Done done);
  // Removes the bank file and, only when it was there and is gone, the image directory. False only when
  // a bank that was there could not be removed (nothing there is success).
  void clear(Done done, Remover remove = {});

  // The serial queue the bank's changes work on (tests wait on it, and on the global queue for
  // checkUpdate: DispatchQueue::waitIdle()).
  static rl::DispatchQueue& queue();

  // ---- the steps (any thread) ----
  // Moves the archive to "<cacheDirectory>/<subject>.zip" (made when missing); false without a file.
  static bool moveArchiveIn(const BankPaths& paths, const std::string& archivePath);
  // Unpacks the archive into `workDirectory`; its "<subject>.db", when it is a SQLite database, replaces
  // the bank in one step; then its image pack "ImgDir_<subject>.zip" is unpacked into the image
  // directory (a missing pack fails only when `imagesRequired`). A failure before the replacement leaves
  // the old bank. When an archive cannot be unpacked, `refusal` (when given) gets why, in words for the
  // user (BankFiles::refusalText); other failures leave it empty.
  static bool installArchive(const BankPaths& paths, const std::string& archivePath,
                             const std::string& workDirectory, bool imagesRequired,
                             std::string* refusal = nullptr);
  // Merges the update pack into a fresh working copy of the bank (DBVersion, Test and OtherContent steps),
  // which then replaces the bank by a rename. False, with the bank untouched, when any step fails. The
  // data-access objects find the working copy through BankLocation: it must be paths.workingCopy().
  static bool mergePack(const BankPaths& paths, const std::string& packPath);
  // The same with an explicit bank and working copy. A pack whose tables lack a column a step reads is
  // refused before the bank is even copied; `refusal` (when given) then gets the text naming the table
  // and the column ("更新包的Test表缺少TestContent列").
  static bool mergePack(const std::string& packPath, const std::string& localDBPath,
                        const std::string& workingCopyPath, std::string* refusal = nullptr);
  // Puts a complete SQLite file in the bank's place in one step; anything else leaves the bank.
  static bool replaceBank(const BankPaths& paths, const std::string& newBankFile);
  // Removes the bank file: true when one was there and is gone.
  static bool removeBankFile(const BankPaths& paths, const Remover& remove = {});
  // What clear() does: true when no bank is left (also when there was none).
  static bool clearBank(const BankPaths& paths, const Remover& remove = {});
  // The largest batch id of the bank file; -1 without one.
  static std::int64_t localMaxBatchId(const BankPaths& paths);
  // The update centre's reply as it came ("update_list" an empty array when missing or null); Nil when
  // none came. Synchronous on the calling thread.
  static core::Value queryUpdateCentre(const std::string& subject, std::int64_t maxBatchId);

 private:
  template <class Task, class Reply>
  void post(Task task, Reply reply);
  template <class Task, class Reply>
  void postQuery(Task task, Reply reply);

  BankPaths paths_;
};
