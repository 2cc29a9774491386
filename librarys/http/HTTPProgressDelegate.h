#pragma once
// HTTPProgressDelegate: a progress view, or any object that follows the bytes of a request (or of a queue
// of requests). Every method is optional; all are called on the main thread.

#include <cstdint>
#include <memory>

class HTTPRequest;

struct HTTPProgressDelegate {
  virtual ~HTTPProgressDelegate() = default;

  // The fraction done, 0 to 1.
  virtual void setProgress(float progress) {}
  virtual void requestDidSendBytes(const std::shared_ptr<HTTPRequest>& request, std::int64_t bytes) {}
  virtual void requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>& request, std::int64_t bytes) {}
  virtual void requestIncrementUploadSizeBy(const std::shared_ptr<HTTPRequest>& request,
                                            std::int64_t amount) {}
  virtual void requestIncrementDownloadSizeBy(const std::shared_ptr<HTTPRequest>& request,
                                              std::int64_t amount) {}
};
