#pragma once
// HTTPRequestSwitchesAdapter: the class-wide switches of AppServices, set on the HTTP client itself.

#include "app/AppServices.h"

class HTTPRequestSwitchesAdapter : public HTTPRequestClassSwitches {
 public:
  void setShouldUpdateNetworkActivityIndicator(bool update) override;
  void setShouldThrottleBandwidthForWWAN(bool throttle) override;
};
