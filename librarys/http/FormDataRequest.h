#pragma once
// FormDataRequest: an HTTPRequest whose body is built from named form values and files, either
// URL-encoded ("application/x-www-form-urlencoded") or as multipart form data. Without values and files it
// sends the raw body appended by the caller, unchanged.
//
//   auto r = FormDataRequest::requestWithURL(url);        // method POST, URL-encoded, UTF-8
//   r->addPostValue("name", "value");
//   r->addFile("/path/photo.png", "avatar");               // switches the body to multipart
//   r->startAsynchronous();
//
// A file that is missing when it is added fails the request with code 6; it is then never sent.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "librarys/http/HTTPRequest.h"

class FormDataRequest : public HTTPRequest {
 public:
  enum PostFormat { MultipartFormDataPostFormat = 0, URLEncodedPostFormat = 1 };

  struct PostValue {
    std::string key;
    std::string value;
  };
  struct FileEntry {
    std::string key;
    std::string fileName;
    std::string contentType;
    std::optional<std::string> path;  // the data is this file's contents ...
    std::string data;                 // ... or these bytes
  };

  explicit FormDataRequest(std::optional<core::URL> url);
  static std::shared_ptr<FormDataRequest> requestWithURL(std::optional<core::URL> url);

  // Values (a nil key is ignored). set... first removes every value with the same key.
  void addPostValue(const core::Value& value, const std::optional<std::string>& key);
  void setPostValue(const core::Value& value, const std::optional<std::string>& key);
  // Files from disk: a missing name becomes the path's last component, a missing type the type of its
  // extension. set... first removes every file entry with the same key.
  void addFile(const std::string& path, const std::string& key);
  void addFile(const std::string& path, std::optional<std::string> fileName,
               std::optional<std::string> contentType, const std::string& key);
  void setFile(const std::string& path, const std::string& key);
  void setFile(const std::string& path, std::optional<std::string> fileName,
               std::optional<std::string> contentType, const std::string& key);
  // Files from bytes: the name defaults to "file", the type to "application/octet-stream".
  void addData(std::string data, const std::string& key);
  void addData(std::string data, std::optional<std::string> fileName, std::optional<std::string> contentType,
               const std::string& key);
  void setData(std::string data, const std::string& key);
  void setData(std::string data, std::optional<std::string> fileName, std::optional<std::string> contentType,
               const std::string& key);

  // Percent-escapes text (in stringEncoding), reserved characters included; "" when it cannot be encoded.
  std::string encodeURL(std::string_view text) const;
  void appendPostString(std::string_view text);

  const std::vector<PostValue>& postData() const { return postData_; }
  const std::vector<FileEntry>& fileData() const { return fileData_; }
  int postFormat() const { return postFormat_; }
  void setPostFormat(int f) { postFormat_ = f; }
  // The IANA name of the text encoding ("utf-8" by default).
  std::string stringEncoding() const { return stringEncoding_; }
  void setStringEncoding(std::string e) { stringEncoding_ = std::move(e); }

  void buildPostBody() override;
  void buildURLEncodedPostBody();
  void buildMultipartFormDataPostBody();
  std::shared_ptr<HTTPRequest> copy() const override;

  // A Content-Disposition parameter value with its quote, CR and LF escaped (as %22, %0D, %0A).
  static std::string escapedDispositionValue(std::string_view text);

 protected:
  std::shared_ptr<HTTPRequest> makeEmptyCopy(std::optional<core::URL> url) const override;

 private:
  std::optional<std::string> encoded(std::string_view utf8) const;
  std::vector<PostValue> postData_;
  std::vector<FileEntry> fileData_;
  int postFormat_ = URLEncodedPostFormat;
  std::string stringEncoding_ = "utf-8";
  bool builtFormBody_ = false;
};
