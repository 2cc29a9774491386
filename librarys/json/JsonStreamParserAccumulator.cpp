#include "librarys/json/JsonStreamParserAccumulator.h"

void JsonStreamParserAccumulator::parserFoundArray(JsonStreamParser& parser, const core::Value& array) {
  value_ = array;
}

void JsonStreamParserAccumulator::parserFoundObject(JsonStreamParser& parser, const core::Value& object) {
  value_ = object;
}
