#pragma once
// Builds dictionaries and arrays from the events of a JsonStreamParser and hands each finished
// top-level value to its own delegate. Objects become ordered dictionaries: a key keeps the place of
// its first appearance and the value that came last.
//
// The members of the containers still open wait on one stack of values (and one of keys); a container
// is made when it closes, with room for exactly its members, and takes its place on the stack of its
// parent. A document that fails part-way leaves no container behind.

#include <cstdint>
#include <string>
#include <vector>

#include "librarys/json/JsonStreamParser.h"
#include "platform/core/Value.h"

// Receiver of finished values. Both methods are optional.
struct JsonStreamParserAdapterDelegate {
  virtual ~JsonStreamParserAdapterDelegate() = default;
  virtual void parserFoundArray(JsonStreamParser& parser, const core::Value& array) {}
  // Any finished value that is not an array (in a whole-document parse: the top-level object).
  virtual void parserFoundObject(JsonStreamParser& parser, const core::Value& object) {}
};

class JsonStreamParserAdapter : public JsonStreamParserDelegate {
 public:
  enum class ContainerType : int { None = 0, Array = 1, Object = 2 };

  JsonStreamParserAdapter();

  JsonStreamParserAdapterDelegate* delegate() const { return delegate_; }
  void setDelegate(JsonStreamParserAdapterDelegate* delegate) { delegate_ = delegate; }  // not owned
  // With n levels to skip, the containers at nesting levels 1 to n are not built and each value
  // completed at level n + 1 reaches the delegate on its own. 0 (the default): the outermost
  // container is the one finished value.
  std::uint32_t levelsToSkip() const { return levelsToSkip_; }
  void setLevelsToSkip(std::uint32_t n) { levelsToSkip_ = n; }
  std::uint32_t depth() const { return depth_; }

  void parserFoundObjectStart(JsonStreamParser& parser) override;
  void parserFoundObjectKey(JsonStreamParser& parser, const std::string& key) override;
  void parserFoundObjectEnd(JsonStreamParser& parser) override;
  void parserFoundArrayStart(JsonStreamParser& parser) override;
  void parserFoundArrayEnd(JsonStreamParser& parser) override;
  void parserFoundBoolean(JsonStreamParser& parser, bool x) override;
  void parserFoundNull(JsonStreamParser& parser) override;
  void parserFoundNumber(JsonStreamParser& parser, core::Value number) override;
  void parserFoundString(JsonStreamParser& parser, core::Value string) override;

 private:
  // One container under construction: its kind and where its members start on the two stacks.
  struct Frame {
    ContainerType type;
    std::size_t firstValue;
    std::size_t firstKey;
  };

  void containerStart(ContainerType type);
  void parserFound(JsonStreamParser& parser, core::Value&& value);
  void containerEnd(JsonStreamParser& parser);

  std::vector<Frame> frames_;          // open containers being built, innermost last
  std::vector<core::Value> values_;    // their members so far
  std::vector<std::string> keyStack_;  // the keys of the object members, one per value of an object
  JsonStreamParserAdapterDelegate* delegate_ = nullptr;
  std::uint32_t depth_ = 0;
  std::uint32_t levelsToSkip_ = 0;
};
