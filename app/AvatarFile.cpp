#include "app/AvatarFile.h"

#include <cstdio>

#include "app/VDHelper.h"
#include "librarys/http/HTTPRequest.h"
#include "platform/core/Paths.h"
#include "platform/core/URL.h"
#include "service/AbstractService.h"
#include "service/ServerConfig.h"
#include "ui/ImageCodec.h"

std::string AvatarFile::fileName(std::string_view name) {
  if (name.empty()) return "";
  std::string safe;
  safe.reserve(name.size());
  const bool onlyDots = name.find_first_not_of('.') == std::string_view::npos;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '%' || c == '/' || c == '\\' || (onlyDots && c == '.')) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
      safe += escaped;
    } else {
      safe += c;
    }
  }
  return safe + ".jpg";
}

std::string AvatarFile::path(std::string_view name) {
  const std::string file = fileName(name);
  if (file.empty()) return "";
  return VDHelper::headPortraitSavePath() + "/" + file;
}

std::optional<std::string> AvatarFile::existing(const core::Value& userInfo) {
  for (const char* key : {"UserName", "Email"}) {
    const std::string file = path(userInfo[key].toString());
    if (!file.empty() && core::Paths::isRegularFile(file)) return file;
  }
  return std::nullopt;
}

bool AvatarFile::save(std::string_view pictureBytes, std::string_view name) {
  const std::string file = path(name);
  if (file.empty()) return false;
  const auto jpeg = ui::ImageCodec::toJPEG(pictureBytes, kJPEGQuality);
  return jpeg && core::Paths::atomicWrite(file, std::string_view(*jpeg));
}

std::string AvatarFile::downloadURL(const std::string& userID) {
  if (userID.empty()) return "";
  return AbstractService::escapeURLOnce(ServerConfig::current().resourceURL(
      "/Img_UID/" + AbstractService::escapePathSegment(userID) + ".jpg"));
}

std::optional<std::string> AvatarFile::download(const std::string& url) {
  if (url.empty()) return std::nullopt;
  auto request = HTTPRequest::requestWithURL(core::URL::parse(url));
  if (!request) return std::nullopt;
  request->startSynchronous();
  if (request->error() || request->responseStatusCode() != 200) return std::nullopt;
  return request->responseData();
}
