#pragma once
// core::Regex: regular expressions through PCRE2 in UTF mode (Perl syntax, which covers the patterns
// the application uses). Compiled patterns are cached; a Regex can be used from several threads.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct RegexMatch {
  std::size_t start = 0;   // byte offset of the whole match
  std::size_t length = 0;  // byte length
  // Groups: [0] is the whole match; a group that did not take part is nullopt.
  std::vector<std::optional<std::string>> groups;
};

class Regex {
 public:
  enum Options : unsigned { None = 0, CaseInsensitive = 1, DotAll = 2, Multiline = 4 };

  // A compiled pattern from the cache (compiled on first use). Check valid().
  static std::shared_ptr<const Regex> cached(std::string_view pattern, unsigned options = None);

  explicit Regex(std::string_view pattern, unsigned options = None);
  ~Regex();
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;

  bool valid() const { return code_ != nullptr; }
  const std::string& error() const { return error_; }  // why the pattern did not compile
  const std::string& pattern() const { return pattern_; }

  // The whole text matches the pattern (as a MATCHES predicate does). False for an invalid pattern.
  bool matchesWholeText(std::string_view text) const;
  // The first match at or after byte `from`.
  std::optional<RegexMatch> search(std::string_view text, std::size_t from = 0) const;
  std::vector<RegexMatch> findAll(std::string_view text) const;
  // Replaces every match; "$0".."$9" in the template insert groups, "$$" a dollar sign.
  std::string replaceAll(std::string_view text, std::string_view replacement) const;

 private:
  std::string pattern_;
  std::string error_;
  void* code_ = nullptr;  // pcre2_code*
};

// The whole text matches the pattern (compiled once and cached). False for an invalid pattern.
bool matchesWholeText(std::string_view pattern, std::string_view text);

}  // namespace core
