#pragma once
// What the screen tests ask of the loopback API server's journal and faults, in one place:
//
//   journalRequests(server, part)  the requests received (since the last clearJournal()) whose decoded
//                                  path contains `part`, oldest first.
//   armFault(server, fault)        a fault for the next matching requests; one the server refuses fails
//                                  the test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Value.h"
#include "tools/testserver/apiserver/ApiServer.h"

namespace testsupport {

inline std::vector<core::Value> journalRequests(testserver::ApiServer& server, const std::string& part) {
  std::vector<core::Value> out;
  const core::Value doc = JSONValue(server.journal().value_or("{}"));
  for (const core::Value& e : doc["requests"].array())
    if (e["decoded_path"].toString().find(part) != std::string::npos) out.push_back(e);
  return out;
}

inline void armFault(testserver::ApiServer& server, const core::Value& fault) {
  ASSERT_TRUE(server.fault(JSONRepresentation(fault).value_or("")));
}

}  // namespace testsupport
