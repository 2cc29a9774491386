#include "platform/core/Bundle.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Text.h"

#ifndef VD_BUNDLE_DIR
#define VD_BUNDLE_DIR ""
#endif

namespace core {

struct Bundle::State {
  std::string resourcePath;
  std::optional<Dictionary> info;
  std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>> tables;
};

namespace {

std::string findMainResourcePath() {
  if (const char* env = std::getenv("VARDO_BUNDLE"); env && *env) return env;
  char exe[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    exe[n] = '\0';
    std::string installed = Paths::join(Paths::parent(Paths::parent(exe)), "share/vardo");
    if (Paths::isDirectory(installed)) return installed;
  }
  return VD_BUNDLE_DIR;
}

bool leavesDirectory(std::string_view name) {
  if (!name.empty() && name[0] == '/') return true;
  for (const auto& part : split(name, "/")) {
    if (part == "..") return true;
  }
  return false;
}

}  // namespace

Bundle& Bundle::main() {
  static Bundle shared(findMainResourcePath());
  return shared;
}

void Bundle::resetMain() { main().reset(findMainResourcePath()); }

Bundle::Bundle(std::string resourcePath) { reset(std::move(resourcePath)); }

void Bundle::reset(std::string resourcePath) {
  auto state = std::make_shared<State>();
  state->resourcePath = std::move(resourcePath);
  std::lock_guard lock(mutex_);
  state_ = std::move(state);
}

std::string Bundle::resourcePath() const {
  std::lock_guard lock(mutex_);
  return state_->resourcePath;
}

Dictionary Bundle::infoDictionary() const {
  std::lock_guard lock(mutex_);
  if (!state_->info) {
    Value info = PropertyList::readFile(Paths::join(state_->resourcePath, "Info.plist"));
    state_->info = info.isDictionary() ? info.dict() : Dictionary();
  }
  return Value(*state_->info).deepCopy().dict();
}

Value Bundle::objectForInfoDictionaryKey(std::string_view key) const { return infoDictionary().get(key); }

std::optional<std::string> Bundle::pathForResource(std::string_view name, std::string_view type) const {
  return pathForResource(name, type, {});
}

std::optional<std::string> Bundle::pathForResource(std::string_view name, std::string_view type,
                                                   std::string_view directory) const {
  if (name.empty() || leavesDirectory(name) || leavesDirectory(directory) ||
      type.find('/') != std::string_view::npos)
    return std::nullopt;
  std::string file(name);
  if (!type.empty()) {
    if (type[0] != '.') file += '.';
    file += type;
  }
  const std::string root = resourcePath();
  for (const char* sub : {"", "Base.lproj", "zh-Hans.lproj", "en.lproj"}) {
    std::string dir = Paths::join(Paths::join(root, sub), directory);
    std::string path = Paths::join(dir, file);
    if (Paths::isRegularFile(path)) return path;
  }
  return std::nullopt;
}

std::string Bundle::localizedString(std::string_view key, std::string_view fallback,
                                    std::string_view table) const {
  const std::string tableName(table.empty() ? std::string_view("Localizable") : table);
  std::shared_ptr<State> state;
  {
    std::lock_guard lock(mutex_);
    state = state_;
  }
  bool loaded;
  {
    std::lock_guard lock(mutex_);
    loaded = state->tables.count(tableName) != 0;
  }
  if (!loaded) {
    std::map<std::string, std::string, std::less<>> entries;
    if (auto path = pathForResource(tableName, "strings")) {
      if (auto text = Paths::readTextFile(*path)) {
        std::string_view body(*text);
        if (hasPrefix(body, "\xEF\xBB\xBF")) body.remove_prefix(3);  // byte-order mark
        if (auto parsed = parseStrings(body)) entries = std::move(*parsed);
      }
    }
    std::lock_guard lock(mutex_);
    state->tables.emplace(tableName, std::move(entries));
  }
  std::lock_guard lock(mutex_);
  const auto& entries = state->tables[tableName];
  if (auto it = entries.find(key); it != entries.end()) return it->second;
  return std::string(fallback.empty() ? key : fallback);
}

namespace {

class StringsParser {
 public:
  explicit StringsParser(std::string_view text) : s_(text) {}

  std::optional<std::map<std::string, std::string, std::less<>>> parse(std::string* error) {
    std::map<std::string, std::string, std::less<>> out;
    for (;;) {
      if (!skipSpaceAndComments()) return fail(error, "unterminated comment");
      if (i_ >= s_.size()) return out;
      std::string key, value;
      if (!readString(key)) return fail(error, "expected a quoted key");
      if (!skipSpaceAndComments()) return fail(error, "unterminated comment");
      if (i_ < s_.size() && s_[i_] == ';') {  // "key"; means the value is the key
        ++i_;
        out[key] = key;
        continue;
      }
      if (i_ >= s_.size() || s_[i_] != '=') return fail(error, "expected '='");
      ++i_;
      if (!skipSpaceAndComments()) return fail(error, "unterminated comment");
      if (!readString(value)) return fail(error, "expected a quoted value");
      if (!skipSpaceAndComments()) return fail(error, "unterminated comment");
      if (i_ >= s_.size() || s_[i_] != ';') return fail(error, "expected ';'");
      ++i_;
      out[key] = std::move(value);
    }
  }

 private:
  std::nullopt_t fail(std::string* error, const char* what) {
    if (error) {
      std::size_t line = 1;
      for (std::size_t k = 0; k < i_ && k < s_.size(); ++k) line += s_[k] == '\n';
      *error = std::string(what) + " at line " + std::to_string(line);
    }
    return std::nullopt;
  }

  bool skipSpaceAndComments() {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
        ++i_;
      } else if (s_.substr(i_, 2) == "//") {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
      } else if (s_.substr(i_, 2) == "/*") {
        auto end = s_.find("*/", i_ + 2);
        if (end == std::string_view::npos) return false;
        i_ = end + 2;
      } else {
        return true;
      }
    }
    return true;
  }

  static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool readHex4(char32_t& out) {
    if (i_ + 4 > s_.size()) return false;
    out = 0;
    for (int k = 0; k < 4; ++k) {
      int h = hexValue(s_[i_++]);
      if (h < 0) return false;
      out = (out << 4) | static_cast<char32_t>(h);
    }
    return true;
  }

  bool readString(std::string& out) {
    if (i_ >= s_.size() || s_[i_] != '"') return false;
    ++i_;
    while (i_ < s_.size()) {
      char c = s_[i_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i_ >= s_.size()) return false;
      char e = s_[i_++];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case 'U':
        case 'u': {
          char32_t cp;
          if (!readHex4(cp)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(i_, 2) == "\\U") {
            i_ += 2;
            char32_t low;
            if (!readHex4(low)) return false;
            cp = low >= 0xDC00 && low <= 0xDFFF ? 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00) : 0xFFFD;
          } else if (cp >= 0xD800 && cp <= 0xDBFF && s_.substr(i_, 2) == "\\u") {
            i_ += 2;
            char32_t low;
            if (!readHex4(low)) return false;
            cp = low >= 0xDC00 && low <= 0xDFFF ? 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00) : 0xFFFD;
          }
          out += fromCodePoint(cp);
          break;
        }
        default:
          out += e;
          break;  // \" \\ \' and any other escaped character stand for themselves
      }
    }
    return false;  // no closing quote
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

}  // namespace

std::optional<std::map<std::string, std::string, std::less<>>> Bundle::parseStrings(std::string_view text,
                                                                                    std::string* error) {
  return StringsParser(text).parse(error);
}

}  // namespace core
