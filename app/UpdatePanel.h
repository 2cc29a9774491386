#pragma once
// UpdatePanel: what the question-bank check hands the update panel it opens ("updateSoftware", made by
// the screen factory) before the panel's view is laid on the window: the packets to fetch (typed, from
// the update centre's reply), the
// completion and stop blocks and the update centre's status. Loading the view starts the download.
// The update screens' folder implements it (UpdateSoftwareViewController). Main thread.

#include <functional>
#include <vector>

#include "bank/UpdateCentreReply.h"
#include "platform/core/Value.h"

class UpdatePanel {
 public:
  static constexpr const char* kIdentifier = "updateSoftware";
  using CompleteBlock = std::function<void(bool success)>;
  using StopBlock = std::function<void()>;

  virtual ~UpdatePanel() = default;
  // "update_list" items with "packe_type" and "packege_url"; anything but an array is an empty list.
  virtual void setUpdateUrlArray(core::Value list) = 0;
  // The packets of the update centre's reply the check accepted, as read into their fields.
  virtual void setPackets(const std::vector<UpdatePacket>& packets) = 0;
  virtual void setCompleteBlock(CompleteBlock block) = 0;
  virtual void setStopBlock(StopBlock block) = 0;
  virtual void setStatus(int status) = 0;
};
