#pragma once
// Replies of the wrong shape, as a hostile or broken server sends them: the screen tests arm each one
// (with the path it answers) through the loopback server's fault hook and check that the screen that
// asked says something and stays usable.
//
//   hostileReplies()   the table: a name and the fault without its "path".
//   withPath(f, path)  a copy of the fault for `path`.

#include <string>
#include <vector>

#include "librarys/json/JsonWriter.h"
#include "platform/core/Value.h"

namespace testsupport {

struct HostileReply {
  std::string name;
  core::Value fault;
};

// A reply whose "Body" is `body` (JSON text), with an empty "Message".
inline std::string replyWithBody(const std::string& body) {
  return R"({"Body":)" + body + R"(,"Message":"","LoginState":1})";
}

inline std::vector<HostileReply> hostileReplies() {
  std::string many = "[";
  for (int i = 0; i < 100000; ++i) {
    if (i) many += ',';
    many += R"({"ID":)" + std::to_string(i) + R"(,"Key":"k)" + std::to_string(i) + R"(","Value":"v"})";
  }
  many += "]";
  const std::string deep = std::string(5000, '[') + std::string(5000, ']');
  auto body = [](const std::string& text) { return core::Value(core::Dictionary{{"body", text}}); };
  return {
      {"text for the body", body(replyWithBody(R"("列表")"))},
      {"number for the body", body(replyWithBody("12345"))},
      {"null body", body(replyWithBody("null"))},
      {"no body", body(R"({"Message":"","LoginState":1})")},
      {"object for a list", body(replyWithBody(R"({"Key":"k","Value":"v","Sessions":7})"))},
      {"list of non-records", body(replyWithBody(R"([1,"二",null,[],true])"))},
      {"wrapped top level", body(R"([{"Body":[{"Key":"k","Value":"v"}],"Message":"","LoginState":1}])")},
      {"wrapped in an object", body(R"({"d":{"Body":[{"Key":"k","Value":"v"}],"Message":""}})")},
      {"truncated", body(R"({"Body":[{"Key":"k","Value":"v"},{"Key":"k2","Val)")},
      {"not UTF-8",
       core::Dictionary{
           {"body_base64",
            "eyJCb2R5IjpbeyJLZXkiOiL//sCvIiwiVmFsdWUiOiLtoIAifV0sIk1lc3NhZ2UiOiLDKCIsIkxvZ2luU3RhdGUiOjF9"}}},
      {"HTTP 500", core::Dictionary{{"status", 500},
                                    {"body", "<html><body>Internal Server Error</body></html>"},
                                    {"content_type", "text/html"}}},
      {"HTML with 200", core::Dictionary{{"status", 200},
                                         {"body", "<!DOCTYPE html><html><body>系统维护中</body></html>"},
                                         {"content_type", "text/html; charset=utf-8"}}},
      {"100,000 entries", body(replyWithBody(many))},
      {"5,000 deep", body(replyWithBody(deep))},
  };
}

inline core::Value withPath(const core::Value& fault, const std::string& path) {
  core::Value f = fault.deepCopy();
  f.set("path", path);
  return f;
}

}  // namespace testsupport
