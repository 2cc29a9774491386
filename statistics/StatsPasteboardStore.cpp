#include "statistics/StatsPasteboardStore.h"

#include <utility>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/URL.h"

std::string StatsPasteboardStore::defaultDirectory() {
  return core::Paths::join(core::Paths::parent(core::Paths::documents()), "pasteboards");
}

StatsPasteboardStore::StatsPasteboardStore(std::string directory) : directory_(std::move(directory)) {}

std::optional<std::string> StatsPasteboardStore::pathFor(std::string_view name) const {
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  return core::Paths::join(directory_, core::escapeComponent(name));
}

bool StatsPasteboardStore::exists(std::string_view name) const {
  auto path = pathFor(name);
  return path && core::Paths::isRegularFile(*path);
}

std::optional<core::Bytes> StatsPasteboardStore::dataForType(std::string_view name,
                                                             std::string_view type) const {
  auto path = pathFor(name);
  if (!path) return std::nullopt;
  core::Value items = core::PropertyList::readFile(*path);
  core::Value item = items[type];
  if (!item.isData()) return std::nullopt;
  return item.data();
}

bool StatsPasteboardStore::setData(std::string_view name, std::string_view type, const core::Bytes& data) {
  auto path = pathFor(name);
  if (!path || !core::Paths::createDirectories(directory_)) return false;
  core::Value items = core::PropertyList::readFile(*path);
  if (!items.isDictionary()) items = core::Value::newDictionary();
  items.set(std::string(type), core::Value(data));
  return core::PropertyList::writeFile(*path, items);
}
