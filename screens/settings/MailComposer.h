#pragma once
// MailComposer: the system's mail composer, as the share screen uses it. This desktop has none: the
// standard composer (NoMailComposer) cannot send, so the share screen hands a "mailto:" address to the
// URL opener instead. A composer that can send (a test's, or a later desktop integration) is put in
// place with setShared().

#include <functional>
#include <memory>
#include <string>

class MailComposer {
 public:
  enum class Result { Cancelled, Saved, Sent, Failed, Unknown };

  virtual ~MailComposer() = default;
  // True when mail can be written and sent here.
  virtual bool canSendMail() const = 0;
  // Shows a composer with this subject and plain-text body; `done` hears how it ended (on the main
  // thread).
  virtual void compose(const std::string& subject, const std::string& body, std::function<void(Result)> done) = 0;

  static std::shared_ptr<MailComposer> shared();
  static void setShared(std::shared_ptr<MailComposer> composer);  // nullptr: back to NoMailComposer
};

class NoMailComposer : public MailComposer {
 public:
  bool canSendMail() const override { return false; }
  void compose(const std::string&, const std::string&, std::function<void(Result)>) override {}
};
