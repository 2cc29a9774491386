#pragma once
// ServerConfig: the server bases every request URL starts with.
//
//   mainBase              the main JSON API ("http://host/api/"); every "1.0/json/..." path but the query
//   resourceRoot          question images and avatars ("http://host", no trailing "/"); also the server
//                         root
//   verificationCodeBase  the image verification-code service ("http://host/vc/")
//   updateBase            the update centre ("http://host/uc/api/"), for "1.0/json/query" only
//
// A request URL is a base followed directly by its path, so the three bases end in "/".
//
// Where the values come from, later ones winning:
//   1. defaults: the loopback API server on its default port (http://127.0.0.1:8080/api/,
//      http://127.0.0.1:8080, http://127.0.0.1:8080/vc/, http://127.0.0.1:8080/uc/api/);
//   2. the property list "server.plist" in the configuration directory (core::Paths::configuration()),
//      a dictionary with the string keys "MainAPIBase", "ResourceRoot", "VerificationCodeBase",
//      "UpdateCentreBase" (each optional);
//   3. the environment: VARDO_API_BASE, VARDO_RESOURCE_ROOT, VARDO_VCODE_BASE, VARDO_UPDATE_BASE.
// A value must be an absolute http or https URL; a base gets a missing trailing "/" added and the
// resource root loses one. A value that is not usable is left out (the one before it stays) and the
// reason is kept in problems(). An unreadable or malformed file is reported the same way.

#include <mutex>
#include <string>
#include <vector>

class ServerConfig {
 public:
  static constexpr const char* kFileName = "server.plist";
  static constexpr const char* kMainAPIBaseKey = "MainAPIBase";
  static constexpr const char* kResourceRootKey = "ResourceRoot";
  static constexpr const char* kVerificationCodeBaseKey = "VerificationCodeBase";
  static constexpr const char* kUpdateCentreBaseKey = "UpdateCentreBase";
  static constexpr const char* kMainAPIBaseEnv = "VARDO_API_BASE";
  static constexpr const char* kResourceRootEnv = "VARDO_RESOURCE_ROOT";
  static constexpr const char* kVerificationCodeBaseEnv = "VARDO_VCODE_BASE";
  static constexpr const char* kUpdateCentreBaseEnv = "VARDO_UPDATE_BASE";

  std::string mainBase;
  std::string resourceRoot;
  std::string verificationCodeBase;
  std::string updateBase;

  // Why a configured value was not used (empty when everything was).
  std::vector<std::string> problems;

  // The loopback defaults.
  static ServerConfig defaults();
  // Reads the defaults, the file at `path` and the environment, as above.
  static ServerConfig load(const std::string& path);
  // load(filePath()).
  static ServerConfig load();
  // configuration directory / "server.plist".
  static std::string filePath();

  // The configuration of this process: loaded on first use, kept until reload(). Thread-safe; returns a
  // copy.
  static ServerConfig current();
  // Reads the configuration again (after the file or the environment changed) and returns it.
  static ServerConfig reload();

  // "<mainBase><path>", and so on for the other bases.
  std::string mainURL(const std::string& path) const { return mainBase + path; }
  std::string updateURL(const std::string& path) const { return updateBase + path; }
  std::string verificationCodeURL(const std::string& path) const { return verificationCodeBase + path; }
  std::string resourceURL(const std::string& path) const { return resourceRoot + path; }
};
