#include "exam/QuestionImageStep.h"

#include <cstdio>
#include <optional>

#include "exam/PageText.h"
#include "librarys/http/HTTPRequest.h"
#include "platform/core/Paths.h"
#include "platform/core/Regex.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "ui/PageResources.h"
#include "util/ImageHeader.h"

QuestionImageStep::QuestionImageStep(std::string imageDirectory, std::string imageURLBase, Fetch fetch)
    : imageDirectory_(std::move(imageDirectory)),
      imageURLBase_(std::move(imageURLBase)),
      fetch_(fetch ? std::move(fetch) : Fetch(&QuestionImageStep::httpFetch)) {}

std::string QuestionImageStep::imageTextHtml(std::string_view text) {
  const auto marker = core::Regex::cached(kMarkerPattern, core::Regex::CaseInsensitive);
  const auto matches = marker->findAll(text);
  if (matches.empty()) return std::string(text);

  // One pass over the text: what a marker becomes is decided at its first appearance and used for
  // every later appearance in any letter case; replacements are never searched again.
  std::map<std::string, std::optional<std::string>> decided;
  std::string out;
  std::size_t at = 0;
  for (const core::RegexMatch& m : matches) {
    const std::string found(text.substr(m.start, m.length));
    const std::string key = core::toLower(found);
    auto it = decided.find(key);
    if (it == decided.end())
      it = decided.emplace(key, replacementFor(found.substr(1, found.size() - 2))).first;
    out.append(text.substr(at, m.start - at));
    out += it->second ? *it->second : found;
    at = m.start + m.length;
  }
  out.append(text.substr(at));
  return out;
}

std::optional<std::string> QuestionImageStep::replacementFor(const std::string& name) {
  if (imageDirectory_.empty() || !isUsableImageName(name)) return std::nullopt;
  const std::string path = core::Paths::join(imageDirectory_, name);
  if (!ensureCached(name, path)) return std::nullopt;
  const std::string url = imageURL(name);
  const auto size = ImageHeader::sizeOfFile(path);
  if (size && size->width > kWideImageWidth) {
    imgDic_.emplace(imageKey(name), url);  // the first entry of a name stays
    return "<img name='" + htmlEscaped(name) + "' src='" + url +
           "' width='280'  onclick='imageclick(this)'/>";
  }
  return "<img src='" + url + "'></img>";
}

bool QuestionImageStep::ensureCached(const std::string& name, const std::string& path) {
  if (core::Paths::isRegularFile(path)) return true;
  if (imageURLBase_.empty()) return false;
  const std::string temporary = path + ".temp";
  std::int64_t sent = 0;
  std::int64_t read = 0;
  const bool fetched = fetch_(imageURLBase_ + core::escapeComponent(name), temporary, sent, read);
  if (countTraffic_ && (sent > 0 || read > 0)) {
    countTraffic_(sent);
    countTraffic_(read);
  }
  if (!fetched || !ImageHeader::sizeOfFile(temporary)) {
    core::Paths::removeAll(temporary);
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    // Another page moved the same image in first.
    core::Paths::removeAll(temporary);
    return core::Paths::isRegularFile(path);
  }
  return true;
}

std::string QuestionImageStep::imageKey(std::string_view name) { return core::addingPercentEscapes(name); }

bool QuestionImageStep::isUsableImageName(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos &&
         name.find('\\') == std::string_view::npos && name.find("..") == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

std::string QuestionImageStep::imageURL(std::string_view name) { return ui::PageResources::imageURL(name); }

bool QuestionImageStep::httpFetch(const std::string& url, const std::string& destination, std::int64_t& sent,
                                  std::int64_t& read) {
  auto request = HTTPRequest::requestWithURL(core::URL::parse(url));
  request->setUserInfo(core::Dictionary{{"name", "request1"}});
  request->setDownloadDestinationPath(destination);
  request->startSynchronous();
  sent = static_cast<std::int64_t>(request->totalBytesSent());
  read = static_cast<std::int64_t>(request->totalBytesRead());
  const int status = request->responseStatusCode();
  return !request->error() && status >= 200 && status < 300;
}
