#include "librarys/http/HTTPInputStream.h"

#include <cerrno>
#include <cstring>

#include "librarys/http/HTTPRequest.h"

std::mutex& HTTPInputStream::readLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

HTTPInputStream::HTTPInputStream() = default;

HTTPInputStream::~HTTPInputStream() { close(); }

std::shared_ptr<HTTPInputStream> HTTPInputStream::inputStreamWithData(
    std::string data, const std::shared_ptr<HTTPRequest>& request) {
  auto s = std::make_shared<HTTPInputStream>();
  s->data_ = std::move(data);
  s->request_ = request;
  return s;
}

std::shared_ptr<HTTPInputStream> HTTPInputStream::inputStreamWithFileAtPath(
    std::string path, const std::shared_ptr<HTTPRequest>& request) {
  auto s = std::make_shared<HTTPInputStream>();
  s->fromFile_ = true;
  s->path_ = std::move(path);
  s->request_ = request;
  return s;
}

bool HTTPInputStream::open() {
  if (status_ != Status::NotOpen) return status_ == Status::Open || status_ == Status::AtEnd;
  if (fromFile_) {
    file_ = std::fopen(path_.c_str(), "rb");
    if (!file_) {
      error_ = core::Error("NSPOSIXErrorDomain", errno, std::strerror(errno));
      status_ = Status::Error;
      return false;
    }
  }
  status_ = Status::Open;
  return true;
}

void HTTPInputStream::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (status_ != Status::Error) status_ = Status::Closed;
}

HTTPInputStream::Status HTTPInputStream::streamStatus() const { return status_; }

std::optional<core::Error> HTTPInputStream::streamError() const { return error_; }

std::int64_t HTTPInputStream::readFromStream(std::uint8_t* buffer, std::size_t length) {
  if (status_ == Status::NotOpen && !open()) return -1;
  if (status_ == Status::Error) return -1;
  if (status_ != Status::Open) return 0;
  if (length == 0) return 0;
  if (!fromFile_) {
    std::size_t n = std::min(length, data_.size() - offset_);
    std::memcpy(buffer, data_.data() + offset_, n);
    offset_ += n;
    if (offset_ == data_.size()) status_ = Status::AtEnd;
    return static_cast<std::int64_t>(n);
  }
  std::size_t n = std::fread(buffer, 1, length, file_);
  if (n == 0 && std::ferror(file_)) {
    error_ = core::Error("NSPOSIXErrorDomain", EIO, "Input/output error");
    status_ = Status::Error;
    return -1;
  }
  if (n < length && std::feof(file_)) status_ = Status::AtEnd;
  return static_cast<std::int64_t>(n);
}

std::int64_t HTTPInputStream::read(std::uint8_t* buffer, std::size_t maxLength) {
  std::size_t length = maxLength;
  {
    std::lock_guard lock(readLock());
    if (HTTPRequest::isBandwidthThrottled()) {
      unsigned long allowance = HTTPRequest::maxUploadReadLength();
      if (maxLength >= allowance) length = allowance == 0 ? 1 : allowance;
      if (auto request = request_.lock()) request->performThrottling();
    }
  }
  std::int64_t n = readFromStream(buffer, length);
  if (n > 0) HTTPRequest::incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(n));
  return n;
}
