#include "librarys/http/FormDataRequest.h"

#include <iconv.h>

#include <algorithm>
#include <random>

#include "platform/core/Paths.h"
#include "platform/core/Text.h"

namespace {

std::string newUUID() {
  std::random_device rd;
  std::uint8_t b[16];
  for (auto& x : b) x = static_cast<std::uint8_t>(rd() & 0xff);
  b[6] = static_cast<std::uint8_t>((b[6] & 0x0f) | 0x40);
  b[8] = static_cast<std::uint8_t>((b[8] & 0x3f) | 0x80);
  static const char* hex = "0123456789ABCDEF";
  std::string s;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
    s += hex[b[i] >> 4];
    s += hex[b[i] & 15];
  }
  return s;
}

}  // namespace

FormDataRequest::FormDataRequest(std::optional<core::URL> url) : HTTPRequest(std::move(url)) {
  setRequestMethod("POST");
}

std::shared_ptr<FormDataRequest> FormDataRequest::requestWithURL(std::optional<core::URL> url) {
  return std::make_shared<FormDataRequest>(std::move(url));
}

std::shared_ptr<HTTPRequest> FormDataRequest::makeEmptyCopy(std::optional<core::URL> url) const {
  return requestWithURL(std::move(url));
}

std::shared_ptr<HTTPRequest> FormDataRequest::copy() const {
  auto r = std::static_pointer_cast<FormDataRequest>(HTTPRequest::copy());
  r->postData_ = postData_;
  r->fileData_ = fileData_;
  r->postFormat_ = postFormat_;
  r->stringEncoding_ = stringEncoding_;
  return r;
}

void FormDataRequest::addPostValue(const core::Value& value, const std::optional<std::string>& key) {
  if (!key) return;
  postData_.push_back({*key, value.describe()});
}

void FormDataRequest::setPostValue(const core::Value& value, const std::optional<std::string>& key) {
  if (!key) return;
  std::erase_if(postData_, [&](const PostValue& v) { return v.key == *key; });
  addPostValue(value, key);
}

void FormDataRequest::addFile(const std::string& path, const std::string& key) {
  addFile(path, std::nullopt, std::nullopt, key);
}

void FormDataRequest::addFile(const std::string& path, std::optional<std::string> fileName,
                              std::optional<std::string> contentType, const std::string& key) {
  if (!core::Paths::fileExists(path) || core::Paths::isDirectory(path)) {
    std::string text = "No file exists at " + path;
    failWithError(core::Error(kHTTPRequestErrorDomain, InternalErrorWhileBuildingRequestType, text,
                              core::Value(core::Dictionary{{kHTTPLocalizedDescriptionKey, text}})));
  }
  FileEntry e;
  e.key = key;
  e.fileName = fileName.value_or(core::Paths::lastComponent(path));
  e.contentType =
      contentType ? *contentType : mimeTypeForFileAtPath(path).value_or("application/octet-stream");
  e.path = path;
  fileData_.push_back(std::move(e));
}

void FormDataRequest::setFile(const std::string& path, const std::string& key) {
  setFile(path, std::nullopt, std::nullopt, key);
}

void FormDataRequest::setFile(const std::string& path, std::optional<std::string> fileName,
                              std::optional<std::string> contentType, const std::string& key) {
  std::erase_if(fileData_, [&](const FileEntry& f) { return f.key == key; });
  addFile(path, std::move(fileName), std::move(contentType), key);
}

void FormDataRequest::addData(std::string data, const std::string& key) {
  addData(std::move(data), std::string("file"), std::nullopt, key);
}

void FormDataRequest::addData(std::string data, std::optional<std::string> fileName,
                              std::optional<std::string> contentType, const std::string& key) {
  FileEntry e;
  e.key = key;
  e.fileName = fileName.value_or("file");
  e.contentType = contentType.value_or("application/octet-stream");
  e.data = std::move(data);
  fileData_.push_back(std::move(e));
}

void FormDataRequest::setData(std::string data, const std::string& key) {
  setData(std::move(data), std::string("file"), std::nullopt, key);
}

void FormDataRequest::setData(std::string data, std::optional<std::string> fileName,
                              std::optional<std::string> contentType, const std::string& key) {
  std::erase_if(fileData_, [&](const FileEntry& f) { return f.key == key; });
  addData(std::move(data), std::move(fileName), std::move(contentType), key);
}

std::optional<std::string> FormDataRequest::encoded(std::string_view utf8) const {
  std::string enc = core::toLower(stringEncoding_);
  if (enc == "utf-8" || enc == "utf8") {
    if (!core::isValidUtf8(utf8)) return std::nullopt;
    return std::string(utf8);
  }
  iconv_t cd = iconv_open(stringEncoding_.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(utf8), out(in.size() * 4 + 16, '\0');
  char* ip = in.data();
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  std::size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - ol);
  return out;
}

std::string FormDataRequest::encodeURL(std::string_view text) const {
  auto bytes = encoded(text);
  if (!bytes) return std::string();
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : *bytes) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

void FormDataRequest::appendPostString(std::string_view text) {
  auto bytes = encoded(text);
  appendPostData(bytes ? *bytes : std::string());
}

std::string FormDataRequest::escapedDispositionValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '"')
      out += "%22";
    else if (c == '\r')
      out += "%0D";
    else if (c == '\n')
      out += "%0A";
    else
      out += c;
  }
  return out;
}

void FormDataRequest::buildPostBody() {
  if (haveBuiltPostBody()) return;
  if (error()) {
    HTTPRequest::buildPostBody();
    return;
  }
  if (!builtFormBody_ && (!postData_.empty() || !fileData_.empty())) {
    builtFormBody_ = true;
    if (!fileData_.empty()) setShouldStreamPostDataFromDisk(true);
    if (postFormat_ == URLEncodedPostFormat)
      buildURLEncodedPostBody();
    else
      buildMultipartFormDataPostBody();
  }
  HTTPRequest::buildPostBody();
}

void FormDataRequest::buildURLEncodedPostBody() {
  if (!fileData_.empty()) {
    postFormat_ = MultipartFormDataPostFormat;
    buildMultipartFormDataPostBody();
    return;
  }
  addRequestHeader("Content-Type", "application/x-www-form-urlencoded; charset=" + stringEncoding_);
  appendPostData("");
  for (std::size_t i = 0; i < postData_.size(); ++i) {
    std::string part = encodeURL(postData_[i].key) + "=" + encodeURL(postData_[i].value);
    if (i + 1 < postData_.size()) part += "&";
    appendPostString(part);
  }
}

void FormDataRequest::buildMultipartFormDataPostBody() {
  std::string boundary = "0xKhTmLbOuNdArY-" + newUUID();
  addRequestHeader("Content-Type",
                   "multipart/form-data; charset=" + stringEncoding_ + "; boundary=" + boundary);
  std::string separator = "\r\n--" + boundary + "\r\n";
  appendPostString("--" + boundary + "\r\n");
  for (std::size_t i = 0; i < postData_.size(); ++i) {
    appendPostString("Content-Disposition: form-data; name=\"" + escapedDispositionValue(postData_[i].key) +
                     "\"\r\n\r\n");
    appendPostString(postData_[i].value);
    if (i + 1 < postData_.size() || !fileData_.empty()) appendPostString(separator);
  }
  for (std::size_t i = 0; i < fileData_.size(); ++i) {
    const FileEntry& f = fileData_[i];
    appendPostString("Content-Disposition: form-data; name=\"" + escapedDispositionValue(f.key) +
                     "\"; filename=\"" + escapedDispositionValue(f.fileName) + "\"\r\n");
    appendPostString("Content-Type: " + f.contentType + "\r\n\r\n");
    if (f.path)
      appendPostDataFromFile(*f.path);
    else
      appendPostData(f.data);
    if (i + 1 < fileData_.size()) appendPostString(separator);
  }
  appendPostString("\r\n--" + boundary + "--\r\n");
}
