#include "app/HTTPRequestSwitchesAdapter.h"

#include "librarys/http/HTTPRequest.h"

void HTTPRequestSwitchesAdapter::setShouldUpdateNetworkActivityIndicator(bool update) {
  HTTPRequest::setShouldUpdateNetworkActivityIndicator(update);
}

void HTTPRequestSwitchesAdapter::setShouldThrottleBandwidthForWWAN(bool throttle) {
  HTTPRequest::setShouldThrottleBandwidthForWWAN(throttle);
}
