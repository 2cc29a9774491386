#pragma once
// BankLocation: what the data-access objects take from the application shell, in one place.
//
// The question bank of the chosen subject lives in "<dbSavePath>/<appName>.db"; update packs and the
// working copy of an update live in downloadCacheDirectoryUpdate; every failed update statement that
// the application counts is reported through sqlErrorOccurred. The shell sets these once at start-up
// (from VDHelper's storage paths, the "Value" of the chosen subject, and a function that adds 1 to the
// application delegate's SqlErrorNumber); tests point them at a temporary folder.
//
// Every data-access call reads the location anew, so a change of subject takes effect with the next
// call. A function that is not set reads as "" (no folder, no subject) or does nothing; without a
// subject (appName "") no subject database is found. set() and current() may be called from any
// thread; the functions themselves are called on whatever thread runs a data-access call
// (the main thread, global queues, the update thread), so they must be safe to call from any thread.

#include <functional>
#include <string>

struct BankLocation {
  std::function<std::string()> dbSavePath;                    // folder of the subject databases
  std::function<std::string()> appName;                       // "Value" of the chosen subject
  std::function<std::string()> downloadCacheDirectoryUpdate;  // folder of update packs and the working copy
  std::function<void()> sqlErrorOccurred;                     // adds 1 to the failed-statement count

  static void set(BankLocation location);
  static BankLocation current();

  // The current values (each "" when its function is not set).
  static std::string dbDirectory();
  static std::string value();
  static std::string updateDirectory();
  // Reports one failed update statement.
  static void countSqlError();
};
