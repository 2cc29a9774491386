#pragma once
// AvatarFile: where a user's avatar picture lies on the device: "<name>.jpg" in the avatar directory
// (VDHelper::headPortraitSavePath()), named after the user name or, as a second choice, after the
// e-mail address. The picture is a JPEG at quality 0.5.
//
// Names come from the user and the server and become file names. An ordinary name is used as it is;
// in any other, "%", "/", "\", NUL and the other control characters are written as "%XX" (upper-case
// hexadecimal), and a name made only of dots ("." or "..") has each dot written "%2E". So no name
// leaves the directory, and two different names never share a file. An empty name has no file.

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

class AvatarFile {
 public:
  static constexpr double kJPEGQuality = 0.5;

  // "<name>.jpg" with the name made safe; "" for the empty name.
  static std::string fileName(std::string_view name);
  // The file's path in the avatar directory (made when missing); "" for the empty name.
  static std::string path(std::string_view name);
  // The avatar to show for a user record: the file of its "UserName" when it exists, else the file of
  // its "Email"; nullopt when neither exists.
  static std::optional<std::string> existing(const core::Value& userInfo);
  // Writes the picture (the bytes of a JPEG or PNG file) as a JPEG of quality 0.5 to the name's file,
  // replacing it atomically. False when the bytes are no picture, the name is empty or the file
  // cannot be written; then nothing changes on disk.
  static bool save(std::string_view pictureBytes, std::string_view name);

  // The address of the avatar the server keeps for a user id: the resource root followed by
  // "/Img_UID/<id>.jpg" (the id escaped as one path segment); "" for the empty id. Main thread (it
  // reads the configuration).
  static std::string downloadURL(const std::string& userID);
  // Fetches an address synchronously on the calling thread (any thread): the bytes when the server
  // answered 200, nullopt otherwise.
  static std::optional<std::string> download(const std::string& url);
};
