#include "screens/settings/MailComposer.h"

namespace {
std::shared_ptr<MailComposer>& slot() {
  static std::shared_ptr<MailComposer> composer = std::make_shared<NoMailComposer>();
  return composer;
}
}  // namespace

std::shared_ptr<MailComposer> MailComposer::shared() { return slot(); }

void MailComposer::setShared(std::shared_ptr<MailComposer> composer) {
  slot() = composer ? std::move(composer) : std::make_shared<NoMailComposer>();
}
