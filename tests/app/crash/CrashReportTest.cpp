// The report a crash becomes: its text line by line, and the CrashReport object around it.

#include <gtest/gtest.h>

#include <string>

#include "app/VDUncaughtExceptionHandler.h"
#include "librarys/json/JsonWriter.h"

namespace {

using Handler = VDUncaughtExceptionHandler;

Handler::ReportFacts someFacts() {
  Handler::ReportFacts f;
  f.date = "20240301 08:05:09";
  f.uuid = "01234567-89AB-CDEF-0011-2233445566FF";
  f.hardwareModel = "x86_64";
  f.osVersion = "12";
  f.networkStatus = 1;
  return f;
}

TEST(CrashReportText, SignalReportLineByLine) {
  Handler::Exception e;
  e.name = Handler::kSignalExceptionName;
  e.reason = "Signal 11 was raised.";
  e.userInfo.set(Handler::kSignalKey, 11);
  e.userInfo.set(Handler::kAddressesKey, core::Array{"0   vardo  0x1 a + 1", "1   libc.so.6  0x2 b + 2"});
  EXPECT_EQ(Handler::reportText(e, someFacts()),
            "=============Signal崩溃报告=============\n"
            "exceptionDate:20240301 08:05:09\n"
            "dysm uuid:01234567-89AB-CDEF-0011-2233445566FF\n"
            "hardwareModel:x86_64\n"
            "osVersion:12\n"
            "networkStatus:1\n"
            "name:UncaughtExceptionHandlerSignalExceptionName\n"
            "reason:Signal 11 was raised.\n"
            "callStackSymbols:\n"
            "0   vardo  0x1 a + 1\n"
            "1   libc.so.6  0x2 b + 2");
}

TEST(CrashReportText, ExceptionReportAndMissingValues) {
  Handler::Exception e;
  e.name = "std::runtime_error";
  e.userInfo.set(Handler::kAddressesKey, core::Array{});
  Handler::ReportFacts f = someFacts();
  f.uuid.reset();
  f.networkStatus = 0;
  EXPECT_EQ(Handler::reportText(e, f),
            "=============Exception崩溃报告=============\n"
            "exceptionDate:20240301 08:05:09\n"
            "dysm uuid:(null)\n"
            "hardwareModel:x86_64\n"
            "osVersion:12\n"
            "networkStatus:0\n"
            "name:std::runtime_error\n"
            "reason:(null)\n"
            "callStackSymbols:\n");
}

TEST(CrashReportObject, FieldsAndTheirAbsence) {
  core::Value loggedIn = core::Value::dictionary();
  loggedIn.set("NiCheng", "小明");
  loggedIn.set("UserName", "user01");
  core::Value noNickName = core::Value::dictionary();
  noNickName.set("UserName", "user02");
  core::Value nullNickName = core::Value::dictionary();
  nullNickName.set("NiCheng", core::Value::null());

  struct Case {
    const char* what;
    Handler::ReportContext context;
    const char* json;
  };
  const Case cases[] = {
      {"everything known",
       {loggedIn, "KJZC", "2.10.0"},
       R"({"UserName":"小明","AppEName":"KJZC","AppVersion":"越狱版2.10.0","Content":"text"})"},
      {"nobody logged in",
       {core::Value(), "KJZC", "2.10.0"},
       R"({"UserName":"游客","AppEName":"KJZC","AppVersion":"越狱版2.10.0","Content":"text"})"},
      {"a user without a nick name",
       {noNickName, "KJZC", "2.10.0"},
       R"({"UserName":"游客","AppEName":"KJZC","AppVersion":"越狱版2.10.0","Content":"text"})"},
      {"a null nick name",
       {nullNickName, "KJZC", "2.10.0"},
       R"({"UserName":"游客","AppEName":"KJZC","AppVersion":"越狱版2.10.0","Content":"text"})"},
      {"no subject, no version",
       {loggedIn, core::Value(), core::Value()},
       R"({"UserName":"小明","Content":"text"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(JSONRepresentation(Handler::crashReport(c.context, "text")), std::string(c.json));
  }
}

TEST(CrashReportObject, TextThatIsNotUtf8StillMakesAReport) {
  // A symbol or an exception text can hold any bytes; the report must still be written.
  const auto json = JSONRepresentation(Handler::crashReport({}, std::string("reason:bad \xff\xfe bytes")));
  ASSERT_TRUE(json.has_value());
  EXPECT_NE(json->find("reason:bad \xEF\xBF\xBD\xEF\xBF\xBD bytes"), std::string::npos) << *json;
}

}  // namespace
