#include "service/ServerConfig.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/URL.h"
#include "platform/core/Value.h"

namespace {

enum class Shape { Base, Root };

struct Entry {
  std::string ServerConfig::*field;
  const char* key;
  const char* env;
  Shape shape;
};

const Entry kEntries[] = {
    {&ServerConfig::mainBase, ServerConfig::kMainAPIBaseKey, ServerConfig::kMainAPIBaseEnv, Shape::Base},
    {&ServerConfig::resourceRoot, ServerConfig::kResourceRootKey, ServerConfig::kResourceRootEnv,
     Shape::Root},
    {&ServerConfig::verificationCodeBase, ServerConfig::kVerificationCodeBaseKey,
     ServerConfig::kVerificationCodeBaseEnv, Shape::Base},
    {&ServerConfig::updateBase, ServerConfig::kUpdateCentreBaseKey, ServerConfig::kUpdateCentreBaseEnv,
     Shape::Base},
};

// The value in its usable form, or nullopt with the reason in *why.
std::optional<std::string> normalise(std::string value, Shape shape, std::string* why) {
  auto url = core::URL::parse(value);
  if (!url || (url->scheme != "http" && url->scheme != "https") || !url->hasAuthority || url->host.empty()) {
    *why = "not an absolute http or https URL";
    return std::nullopt;
  }
  if (url->query || url->fragment) {
    *why = "a base has no query or fragment";
    return std::nullopt;
  }
  if (shape == Shape::Base) {
    if (value.back() != '/') value += '/';
  } else {
    while (!value.empty() && value.back() == '/') value.pop_back();
  }
  return value;
}

void apply(ServerConfig& config, const Entry& entry, const std::string& value, const std::string& source) {
  std::string why;
  if (auto usable = normalise(value, entry.shape, &why)) {
    config.*entry.field = std::move(*usable);
  } else {
    config.problems.push_back(source + " " + entry.key + " = \"" + value + "\": " + why);
  }
}

std::mutex& currentLock() {
  static std::mutex lock;
  return lock;
}

std::optional<ServerConfig>& currentConfig() {
  static std::optional<ServerConfig> config;
  return config;
}

}  // namespace

ServerConfig ServerConfig::defaults() {
  ServerConfig config;
  config.mainBase = "http://127.0.0.1:8080/api/";
  config.resourceRoot = "http://127.0.0.1:8080";
  config.verificationCodeBase = "http://127.0.0.1:8080/vc/";
  config.updateBase = "http://127.0.0.1:8080/uc/api/";
  return config;
}

std::string ServerConfig::filePath() { return core::Paths::join(core::Paths::configuration(), kFileName); }

ServerConfig ServerConfig::load() { return load(filePath()); }

ServerConfig ServerConfig::load(const std::string& path) {
  ServerConfig config = defaults();
  if (core::Paths::fileExists(path)) {
    core::Value plist = core::PropertyList::readFile(path);
    if (!plist.isDictionary()) {
      config.problems.push_back(path + ": not a property-list dictionary");
    } else {
      for (const Entry& entry : kEntries) {
        if (!plist.contains(entry.key)) continue;
        core::Value value = plist[entry.key];
        if (!value.isString()) {
          config.problems.push_back(path + " " + entry.key + ": not a string");
          continue;
        }
        apply(config, entry, value.str(), path);
      }
    }
  }
  for (const Entry& entry : kEntries) {
    const char* value = std::getenv(entry.env);
    if (value && *value) apply(config, entry, value, std::string("environment ") + entry.env + ":");
  }
  return config;
}

ServerConfig ServerConfig::current() {
  std::lock_guard guard(currentLock());
  if (!currentConfig()) currentConfig() = load();
  return *currentConfig();
}

ServerConfig ServerConfig::reload() {
  ServerConfig config = load();
  std::lock_guard guard(currentLock());
  currentConfig() = config;
  return config;
}
