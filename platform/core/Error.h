#pragma once
// core::Error: a failure as a value (the counterpart of an error object): a domain naming the layer
// that failed, a code within that domain, a human-readable description and extra details.

#include <cstdint>
#include <string>
#include <utility>

#include "platform/core/Value.h"

namespace core {

struct Error {
  std::string domain;
  std::int64_t code = 0;
  std::string description;
  Value userInfo;  // a dictionary of details (Nil when there are none)

  Error() = default;
  Error(std::string domain, std::int64_t code, std::string description = {}, Value userInfo = {})
      : domain(std::move(domain)),
        code(code),
        description(std::move(description)),
        userInfo(std::move(userInfo)) {}

  friend bool operator==(const Error& a, const Error& b) {
    return a.domain == b.domain && a.code == b.code && a.description == b.description &&
           a.userInfo == b.userInfo;
  }
};

}  // namespace core
