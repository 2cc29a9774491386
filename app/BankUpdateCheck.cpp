#include "app/BankUpdateCheck.h"

#include "app/AppAlerts.h"
#include "app/AppDelegate.h"
#include "app/AppPaths.h"
#include "app/DownloadState.h"
#include "app/SubjectChoice.h"
#include "app/UpdatePanel.h"
#include "app/VDViewControllerFactory.h"
#include "bank/QuestionBank.h"
#include "platform/core/Bundle.h"
#include "platform/runloop/RunLoop.h"
#include "service/System.h"
#include "ui/Window.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// The DownSession blocks of the check in progress, with the DownSession dictionary they belong to;
// main thread only.
struct StoredBlocks {
  core::Value session;
  BankUpdateCheck::DownSessionBlocks blocks;
};

StoredBlocks& storedBlocks() {
  static StoredBlocks stored;
  return stored;
}

// The application delegate's DownSession (made when missing); Nil without a delegate.
core::Value downSession() {
  AppDelegate* app = AppDelegate::current();
  if (!app) return {};
  core::Value session = app->downSession();
  if (!session.isDictionary()) {
    session = core::Value::newDictionary();
    app->setDownSession(session);
  }
  return session;
}

// The System client's callbacks go to VDHelper's class methods.
class QueryDelegate : public SystemDelegate {
 public:
  void didQuery(bool ok, const core::Value& json) override { BankUpdateCheck::didQuery(ok, json); }
};

std::shared_ptr<QueryDelegate> queryDelegate() {
  static const auto delegate = std::make_shared<QueryDelegate>();
  return delegate;
}

// The "Value" of the chosen subject from the user default, and on the main thread from the session
// too; "" when there is none (any thread).
std::string chosenSubjectValue() {
  const core::Value choice = SubjectChoice::appName();
  return choice.isNil() ? std::string() : choice["Value"].str();
}

std::int64_t packetType(const core::Value& item) { return item["packe_type"].toInt(-1); }

// Makes the update panel ("updateSoftware"), hands it the packets, the blocks and the status, and lays it
// on the window, where it fetches and applies the packets.
void openUpdatePanel(const std::vector<UpdatePacket>& packets,
                     const BankUpdateCheck::CompleteBlock& completeBlock,
                     const BankUpdateCheck::StopBlock& stopBlock, int status) {
  AppDelegate* app = AppDelegate::current();
  if (!app || !app->window()) return;
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      UpdatePanel::kIdentifier);
  auto* panel = dynamic_cast<UpdatePanel*>(screen.get());
  if (!panel) {
    // No panel to fetch with: the caller learns that nothing will be downloaded.
    if (stopBlock) stopBlock();
    return;
  }
  panel->setPackets(packets);
  panel->setCompleteBlock(completeBlock);
  panel->setStopBlock(stopBlock);
  panel->setStatus(status);
  // Loading the view (as the window takes it) starts the download.
  app->window()->addOverlay(screen);
}

}  // namespace

BankUpdateCheck::DownSessionBlocks BankUpdateCheck::downSessionBlocks() {
  // A new DownSession (a new application delegate) holds no blocks yet.
  const StoredBlocks& stored = storedBlocks();
  AppDelegate* app = AppDelegate::current();
  if (!app || !stored.session.isDictionary() || !app->downSession().sameAs(stored.session)) return {};
  return stored.blocks;
}

void BankUpdateCheck::downloadDBWithCancelBlock(CancelBlock cancelBlock, CompleteBlock completeBlock,
                                         StopBlock stopBlock) {
  AppDelegate* app = AppDelegate::current();
  if (!app) return;
  if (app->isReachable() == 0) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  const core::Value session = downSession();
  storedBlocks() = StoredBlocks{
      session, DownSessionBlocks{std::move(cancelBlock), std::move(completeBlock), std::move(stopBlock)}};

  const DownloadState state = DownloadState::from(session);
  if ((state.main && state.isFirstOpenMain) ||
      (!state.main && (state.isEvenMore || state.isUpdateDB || !state.isHavefileName)))
    getLibrary();
}

void BankUpdateCheck::getLibrary() {
  // The DownSession and the request overlay belong to the main thread.
  if (!rl::RunLoop::isMainThread()) {
    rl::performOnMainThread([] { getLibrary(); }, false);
    return;
  }
  const DownloadState state = DownloadState::from(downSession());
  const std::string subject = chosenSubjectValue();
  auto ask = [subject](std::int64_t maxBatchId) {
    auto system = std::make_shared<System>();
    system->delegate = queryDelegate();
    system->query(subject, maxBatchId);
  };
  if (!state.isHavefileName || state.isUpdateDB) {
    ask(-1);
    return;
  }
  // The bank's largest batch id is read on the bank's worker, not here; the bank object lives until
  // its answer is in.
  auto bank = QuestionBank::make(AppPaths::bankPaths());
  bank->maxBatchId([bank, ask](std::int64_t maxBatchId) { ask(maxBatchId); });
}

core::Value BankUpdateCheck::getLibrarySyn() {
  return QuestionBank::queryUpdateCentre(chosenSubjectValue(),
                                         QuestionBank::localMaxBatchId(AppPaths::bankPaths()));
}

void BankUpdateCheck::didQuery(bool ok, const core::Value& json) {
  // A reply of the wrong shape tells as little as none.
  std::optional<UpdateCentreReply> reply;
  if (ok) reply = UpdateCentreReply::parse(json);
  if (!reply) {
    AppAlerts::createAlert("提示", "没有任何信息", "确定");
    return;
  }
  AppDelegate* app = AppDelegate::current();
  core::Value session = downSession();
  if (!app || session.isNil()) return;
  app->setUpdateReply(reply);
  // Asked for a function without a bank (not by the start's own check): no packet, or a refusal, means no
  // way on; say so rather than end the tap in silence.
  const bool offered = reply->status == 0 && !reply->updateList.empty();
  const DownloadState state = DownloadState::from(session);
  if (!state.main && !state.isHavefileName && !offered) {
    if (const DownSessionBlocks blocks = downSessionBlocks(); blocks.stopBlock) blocks.stopBlock();
    noBankAlert(reply->message);
    return;
  }
  const bool prompt = reply->status == 0 && !state.main &&
                      (state.isEvenMore || state.isFirstOpenMain || !state.isHavefileName);
  if (!prompt) return;
  const DownSessionBlocks blocks = downSessionBlocks();
  updateAlert(blocks.cacelBlock, blocks.completeBlock, blocks.stopBlock, session);
}

void BankUpdateCheck::noBankAlert(const std::string& message) {
  const std::string text = message.empty() ? std::string(kNoBankMessage) : message;
  auto alert = std::make_shared<UIAlertViewBlock>(
      "提示", text,
      [](bool cancelled, int) {
        if (cancelled) return;
        if (AppDelegate* app = AppDelegate::current()) app->showSubjectChoice();
      },
      std::optional<std::string>("确定"), std::vector<std::string>{kChooseSubjectButton});
  alert->show();
}

std::string BankUpdateCheck::getUpdateMess(const core::Value& updateList) {
  std::string text = "更新内容:";
  const std::size_t count = updateList.isArray() ? updateList.size() : 0;
  for (std::size_t i = 0; i < count; ++i) {
    text += "\n" + std::to_string(i + 1) + ":" + updateList[i]["update_content"].describe();
  }
  if (count > 0) text += "\n" + localized("upateExplanation");
  return text;
}

bool BankUpdateCheck::onlyNewBank(std::size_t count, bool firstOpenMain, bool evenMore, bool haveFile) {
  return (!haveFile && count == 1) || (count > 0 && !evenMore && !haveFile && !firstOpenMain);
}

std::vector<UpdatePacket> BankUpdateCheck::packetsToFetch(const std::vector<UpdatePacket>& updateList,
                                                          bool firstOpenMain, bool evenMore, bool haveFile) {
  const bool newBankOnly = onlyNewBank(updateList.size(), firstOpenMain, evenMore, haveFile);
  std::vector<UpdatePacket> packets;
  for (const UpdatePacket& packet : updateList)
    if (!newBankOnly || packet.packeType == 6) packets.push_back(packet);
  return packets;
}

core::Value BankUpdateCheck::packetsToFetch(const core::Value& updateList, bool firstOpenMain, bool evenMore,
                                     bool haveFile) {
  const std::size_t count = updateList.isArray() ? updateList.size() : 0;
  const bool newBankOnly = onlyNewBank(count, firstOpenMain, evenMore, haveFile);
  core::Value packets = core::Value::newArray();
  for (std::size_t i = 0; i < count; ++i) {
    const core::Value item = updateList[i];
    if (!newBankOnly || packetType(item) == 6) packets.push_back(item);
  }
  return packets;
}

void BankUpdateCheck::updateAlert(CancelBlock cancelBlock, CompleteBlock completeBlock, StopBlock stopBlock,
                                  const core::Value& downSession) {
  const AppDelegate* app = AppDelegate::current();
  const std::optional<UpdateCentreReply> stored = app ? app->updateReply() : std::nullopt;
  updateAlert(std::move(cancelBlock), std::move(completeBlock), std::move(stopBlock), downSession,
              stored.value_or(UpdateCentreReply{}));
}

void BankUpdateCheck::updateAlert(CancelBlock, CompleteBlock completeBlock, StopBlock stopBlock,
                                  const core::Value& downSession, const UpdateCentreReply& reply) {
  const DownloadState state = DownloadState::from(downSession);
  const bool firstOpenMain = state.isFirstOpenMain;
  const bool evenMore = state.isEvenMore;
  const bool haveFile = state.isHavefileName;
  const bool updateDB = state.isUpdateDB;
  const core::Value list = reply.updateListValue();
  const std::int64_t status = reply.status;
  const std::size_t count = list.size();

  if (count == 0) {
    if (evenMore) AppAlerts::createAlert("提示", "该软件已是最新版本", "确定");
    return;
  }

  const bool downloadLeftFiles = AppPaths::isHavefile(AppPaths::updateDirectoryPath(AppPaths::subjectName()));
  std::string title, message, cancel, other;
  if (status == 4) {
    title = localized("alertTitle");
    message = getUpdateMess(list);
    cancel = "关闭";
    other = "立即升级";
  } else if ((!haveFile && count == 1) || updateDB) {
    title = "提示";
    message = localized(updateDB ? "againDwonDBMess" : "libraryDwonMess");
    cancel = "取消";
    other = downloadLeftFiles ? "继续下载" : updateDB ? "重下题库" : "下载";
  } else if (firstOpenMain || evenMore) {
    title = localized("alertTitle");
    message = getUpdateMess(list);
    cancel = "暂不更新";
    other = "立即更新";
  } else if (haveFile) {
    return;
  } else {
    title = "提示";
    message = localized("libraryDwonMess");
    cancel = "取消";
    other = downloadLeftFiles ? "继续下载" : "下载";
  }

  // The prompt keeps what it was shown for: the list, the blocks, the status and the flags.
  const std::vector<UpdatePacket> packets =
      packetsToFetch(reply.updateList, firstOpenMain, evenMore, haveFile);
  auto alert = std::make_shared<UIAlertViewBlock>(
      title, message,
      [packets, completeBlock, stopBlock, status](bool cancelled, int) {
        if (cancelled) {
          if (status == 4) {
            if (AppDelegate* app = AppDelegate::current()) app->exitSoft();
          }
          return;
        }
        // A re-download keeps the local bank: the new bank replaces it once it is in.
        if (packets.size() == 0) {
          if (stopBlock) stopBlock();
          AppAlerts::createAlert("提示", kNothingToDownloadMessage, "确定");
          return;
        }
        openUpdatePanel(packets, completeBlock, stopBlock, static_cast<int>(status));
      },
      std::optional<std::string>(cancel), std::vector<std::string>{other});
  alert->show();
}
