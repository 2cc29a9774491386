#pragma once
// HTTPInputStream: the stream a request body is pulled from while it is sent. It wraps a plain stream over
// the body bytes or the body file, adds every chunk read to the class-wide bandwidth measure, and, while
// bandwidth throttling is on, reads no more than the allowance of the moment (and lets the request pause).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/core/Error.h"

class HTTPRequest;

class HTTPInputStream {
 public:
  enum class Status { NotOpen, Open, AtEnd, Closed, Error };

  static std::shared_ptr<HTTPInputStream> inputStreamWithData(std::string data,
                                                              const std::shared_ptr<HTTPRequest>& request);
  static std::shared_ptr<HTTPInputStream> inputStreamWithFileAtPath(
      std::string path, const std::shared_ptr<HTTPRequest>& request);
  ~HTTPInputStream();
  HTTPInputStream(const HTTPInputStream&) = delete;
  HTTPInputStream& operator=(const HTTPInputStream&) = delete;

  // Reads up to maxLength bytes: the count, 0 at the end, -1 on an error. Opens the stream first when
  // needed.
  std::int64_t read(std::uint8_t* buffer, std::size_t maxLength);

  bool open();
  void close();
  Status streamStatus() const;
  std::optional<core::Error> streamError() const;

  HTTPInputStream();  // use the factories

 private:
  // The wrapped stream: bytes in memory or an open file.
  std::int64_t readFromStream(std::uint8_t* buffer, std::size_t length);
  static std::mutex& readLock();

  std::weak_ptr<HTTPRequest> request_;
  bool fromFile_ = false;
  std::string data_;
  std::size_t offset_ = 0;
  std::string path_;
  std::FILE* file_ = nullptr;
  Status status_ = Status::NotOpen;
  std::optional<core::Error> error_;
};
