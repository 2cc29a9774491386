#define PCRE2_CODE_UNIT_WIDTH 8
#include "platform/core/Regex.h"

#include <pcre2.h>

#include <map>
#include <mutex>

#include "platform/core/Text.h"

namespace core {

namespace {

pcre2_code* codeOf(void* p) { return static_cast<pcre2_code*>(p); }

struct MatchData {
  explicit MatchData(pcre2_code* code) : data(pcre2_match_data_create_from_pattern(code, nullptr)) {}
  ~MatchData() { pcre2_match_data_free(data); }
  MatchData(const MatchData&) = delete;
  MatchData& operator=(const MatchData&) = delete;
  pcre2_match_data* data;
};

constexpr std::size_t kCacheLimit = 128;

}  // namespace

Regex::Regex(std::string_view pattern, unsigned options) : pattern_(pattern) {
  uint32_t flags = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_UCP;
  if (options & CaseInsensitive) flags |= PCRE2_CASELESS;
  if (options & DotAll) flags |= PCRE2_DOTALL;
  if (options & Multiline) flags |= PCRE2_MULTILINE;
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_.data()), pattern_.size(), flags,
                                   &errorCode, &errorOffset, nullptr);
  if (!code) {
    PCRE2_UCHAR buffer[256];
    pcre2_get_error_message(errorCode, buffer, sizeof buffer);
    error_ = std::string(reinterpret_cast<const char*>(buffer)) + " at offset " + std::to_string(errorOffset);
    return;
  }
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // optional speed-up; matching works without it
  code_ = code;
}

Regex::~Regex() {
  if (code_) pcre2_code_free(codeOf(code_));
}

std::shared_ptr<const Regex> Regex::cached(std::string_view pattern, unsigned options) {
  static std::mutex mutex;
  static std::map<std::pair<std::string, unsigned>, std::shared_ptr<const Regex>> cache;
  std::lock_guard lock(mutex);
  auto key = std::make_pair(std::string(pattern), options);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  if (cache.size() >= kCacheLimit) cache.clear();
  auto regex = std::make_shared<const Regex>(pattern, options);
  cache.emplace(std::move(key), regex);
  return regex;
}

bool Regex::matchesWholeText(std::string_view text) const {
  if (!code_ || !isValidUtf8(text)) return false;
  MatchData md(codeOf(code_));
  int rc = pcre2_match(codeOf(code_), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                       PCRE2_ANCHORED | PCRE2_ENDANCHORED, md.data, nullptr);
  return rc >= 0;
}

std::optional<RegexMatch> Regex::search(std::string_view text, std::size_t from) const {
  if (!code_ || from > text.size()) return std::nullopt;
  MatchData md(codeOf(code_));
  int rc = pcre2_match(codeOf(code_), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), from, 0,
                       md.data, nullptr);
  if (rc < 0) return std::nullopt;
  const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md.data);
  uint32_t groups = 0;
  pcre2_pattern_info(codeOf(code_), PCRE2_INFO_CAPTURECOUNT, &groups);
  RegexMatch m;
  m.start = ov[0];
  m.length = ov[1] - ov[0];
  for (uint32_t g = 0; g <= groups; ++g) {
    if (static_cast<int>(g) < rc && ov[2 * g] != PCRE2_UNSET) {
      m.groups.emplace_back(std::string(text.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g])));
    } else {
      m.groups.emplace_back(std::nullopt);
    }
  }
  return m;
}

std::vector<RegexMatch> Regex::findAll(std::string_view text) const {
  std::vector<RegexMatch> out;
  std::size_t from = 0;
  while (from <= text.size()) {
    auto m = search(text, from);
    if (!m) break;
    std::size_t next = m->start + m->length;
    if (m->length == 0) {
      // An empty match: step over one whole character so the search moves on.
      if (next >= text.size()) {
        out.push_back(std::move(*m));
        break;
      }
      ++next;
      while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
    }
    out.push_back(std::move(*m));
    from = next;
  }
  return out;
}

std::string Regex::replaceAll(std::string_view text, std::string_view replacement) const {
  std::string out;
  std::size_t last = 0;
  for (const auto& m : findAll(text)) {
    out += text.substr(last, m.start - last);
    for (std::size_t i = 0; i < replacement.size(); ++i) {
      char c = replacement[i];
      if (c == '$' && i + 1 < replacement.size()) {
        char n = replacement[i + 1];
        if (n == '$') {
          out += '$';
          ++i;
          continue;
        }
        if (n >= '0' && n <= '9') {
          std::size_t g = static_cast<std::size_t>(n - '0');
          if (g < m.groups.size() && m.groups[g]) out += *m.groups[g];
          ++i;
          continue;
        }
      }
      out += c;
    }
    last = m.start + m.length;
  }
  out += text.substr(last);
  return out;
}

bool matchesWholeText(std::string_view pattern, std::string_view text) {
  return Regex::cached(pattern)->matchesWholeText(text);
}

}  // namespace core
