#pragma once
// BankKeyCache: the content keys of a question bank's key batches, kept between reads.
//
// Deriving a key costs a DBVersion query and a DES run, and a question set of a hundred rows needs
// only a few distinct keys; deriving them anew for every row was most of the time of building a set.
// Keys are kept per bank file (by path) together with the identity of the file they were read from
// (device, inode, size, modification and change times): a bank replaced by a rename or a copy, or
// removed, is read afresh by the next reader on its own. Every step that replaces, merges into or
// removes a bank (QuestionBank, bank/) and every data-access call that rewrites one in place
// (DBVersionDAO) also calls invalidate(), which drops every kept key; that covers a file
// rewritten in place within the file system's timestamp granularity, and readers that were already
// running while it happened (what they derive then is not kept).
//
// Thread-safe: readers run on the main thread, global queues and the update thread. The lock is held
// only to look keys up and store them; keys are derived outside it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class BankKeyCache {
 public:
  // One reader's view of one bank: made before the bank is opened, used for every row it reads.
  class Snapshot {
   public:
    // The key of batch `batchId`: the kept one, or what `derive` returns (then kept, when nothing
    // invalidated the cache since this snapshot was taken and the file is still the one it saw).
    std::optional<std::string> keyFor(std::int64_t batchId,
                                      const std::function<std::optional<std::string>()>& derive) const;

   private:
    friend class BankKeyCache;
    std::string path_;
    std::string identity_;  // empty when the file could not be looked at: nothing is kept then
    std::uint64_t generation_ = 0;
  };

  // Takes the file's identity and the cache's generation; call it before opening the bank.
  static Snapshot snapshot(const std::string& bankPath);

  // The banks on disk changed: every kept key is dropped.
  static void invalidate();
};
