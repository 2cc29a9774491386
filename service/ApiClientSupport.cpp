#include "service/ApiClientSupport.h"

#include <cctype>
#include <set>

#include "platform/core/URL.h"

namespace apiclient {

bool withinLimits(const core::Value& reply) {
  const core::Value body = reply["Body"];
  return !body.isArray() || body.size() <= kMaxListEntries;
}

bool bodyTrue(const core::Value& reply) {
  core::Value body = reply["Body"];
  return !body.isNilOrNull() && body.toBool(false);
}

bool bodyIsTrue(const core::Value& reply) {
  if (!reply.isDictionary()) return false;
  const core::Value body = reply["Body"];
  if (body.isBool()) return body.toBool(false);
  if (body.isNumber()) return body.toDouble(0) == 1.0;
  if (!body.isString()) return false;
  std::string text = body.str();
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text == "true" || text == "yes";
}

bool bodyPresent(const core::Value& reply) { return !reply["Body"].isNull(); }

bool bodyNonEmpty(const core::Value& reply) {
  core::Value body = reply["Body"];
  return (body.isArray() || body.isDictionary()) && body.size() > 0;
}

bool successTrue(const core::Value& reply) {
  core::Value success = reply["success"];
  return success.isString() && success.str() == "true";
}

bool bodyHasName(const core::Value& reply) {
  core::Value body = reply["Body"];
  return body.isDictionary() && !body["Name"].isNilOrNull();
}

std::string path(std::string_view format, std::initializer_list<std::string_view> segments) {
  std::string out;
  out.reserve(format.size() + 16);
  auto next = segments.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '@') {
      if (next != segments.end()) out += AbstractService::escapePathSegment(*next++);
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

std::string joinedSegments(std::string_view joined) {
  std::string out;
  std::size_t start = 0;
  while (true) {
    std::size_t slash = joined.find('/', start);
    out += AbstractService::escapePathSegment(joined.substr(start, slash - start));
    if (slash == std::string_view::npos) break;
    out += '/';
    start = slash + 1;
  }
  return out;
}

std::string queryValue(std::string_view text) { return core::escapeComponent(text); }

std::string uniqueIdList(const core::Value& ids) {
  std::vector<core::Value> items;
  if (ids.isArray()) {
    items = ids.array().items();
  } else if (!ids.isNilOrNull()) {
    items.push_back(ids);
  }
  std::set<std::string> seen;
  std::string out;
  for (const core::Value& id : items) {
    if (!id.isString() && !id.isNumber()) continue;
    std::string text = id.toString();
    if (text.empty() || !seen.insert(text).second) continue;
    if (!out.empty()) out += ',';
    out += text;
  }
  return out;
}

void postToMain(std::function<void()> fn) { rl::RunLoop::main().post(std::move(fn)); }

}  // namespace apiclient
