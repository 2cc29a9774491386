#pragma once
// Keeps the last finished value an adapter hands over: in a whole-document parse, the top-level
// dictionary or array itself (not a copy). Nil until the outermost container closes.

#include "librarys/json/JsonStreamParserAdapter.h"
#include "platform/core/Value.h"

class JsonStreamParserAccumulator : public JsonStreamParserAdapterDelegate {
 public:
  void parserFoundArray(JsonStreamParser& parser, const core::Value& array) override;
  void parserFoundObject(JsonStreamParser& parser, const core::Value& object) override;

  const core::Value& value() const { return value_; }

 private:
  core::Value value_;
};
