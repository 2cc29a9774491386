#pragma once
// StatsJsonBase: what the statistics component's JSON writer and parser share: the nesting limit and the
// trace of errors of the last call.
//
// A failed call leaves one or more errors in errorTrace(), innermost first: the fault itself, then what
// each enclosing level adds ("Expected value while parsing array", "Unsupported value for key a in
// object"). Every error is in the domain "org.morvane.JSON.ErrorDomain"; its userInfo holds the text
// under "NSLocalizedDescription" and, from the second error on, the previous one (as a dictionary
// {"domain", "code", "description", "userInfo"}) under "NSUnderlyingError". Each call starts a new trace.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Error.h"
#include "platform/core/Value.h"

class StatsJsonBase {
 public:
  static constexpr const char* kErrorDomain = "org.morvane.JSON.ErrorDomain";
  static constexpr unsigned kDefaultMaxDepth = 512;

  // Error codes: what kind of fault an error reports.
  enum ErrorCode : int {
    kErrorUnsupported = 1,  // a value the writer cannot write, a top level it does not take
    kErrorParseNumber = 2,  // a malformed number
    kErrorParse = 3,        // any other syntax fault
    kErrorFragment = 4,     // a valid fragment where an object or array was wanted
    kErrorControlCharacter = 5,
    kErrorUnicode = 6,  // \u escapes and surrogate pairs, malformed UTF-8
    kErrorDepth = 7,    // nested deeper than maxDepth()
    kErrorEscape = 8,   // an unknown escape sequence
    kErrorTrailingComma = 9,
    kErrorTrailingGarbage = 10,
    kErrorEndOfInput = 11,
    kErrorInput = 12,  // no input at all
  };

  virtual ~StatsJsonBase() = default;

  // Containers may nest this deep (default 512); one more level fails with "Nested too deep".
  unsigned maxDepth() const { return maxDepth_; }
  void setMaxDepth(unsigned depth) { maxDepth_ = depth; }

  const std::vector<core::Error>& errorTrace() const { return errorTrace_; }
  // The descriptions of the trace, innermost first (for logs and tests).
  std::vector<std::string> errorDescriptions() const;
  // The "%@" text of the trace, as the component's log lines print it.
  std::string describeErrorTrace() const;

 protected:
  void addError(ErrorCode code, std::string description);
  void clearErrorTrace() { errorTrace_.clear(); }

  unsigned maxDepth_ = kDefaultMaxDepth;
  std::vector<core::Error> errorTrace_;
};
