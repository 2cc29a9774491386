// FormDataRequest: URL-encoded and multipart bodies byte for byte, files and raw bodies, and the body
// arriving at the server.
#include <gtest/gtest.h>

#include <fstream>

#include "librarys/http/FormDataRequest.h"
#include "platform/core/Paths.h"
#include "tests/librarys/http/HTTPTestSupport.h"

using namespace httptest;

namespace {

// The body as it will be sent: in memory, or the file it is streamed from.
std::string sentBody(HTTPRequest& r) {
  if (r.shouldStreamPostDataFromDisk()) {
    auto bytes = core::Paths::readFile(r.postBodyFilePath());
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<no file>");
  }
  return r.postBody();
}

std::string contentType(HTTPRequest& r) { return r.requestHeaders()["Content-Type"].toString(); }

std::string boundaryOf(HTTPRequest& r) {
  std::string ct = contentType(r);
  auto at = ct.find("boundary=");
  return at == std::string::npos ? "" : ct.substr(at + 9);
}

std::string writeFile(const std::string& name, const std::string& bytes) {
  std::string path = core::Paths::join(freshDir("form"), name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

core::URL anyURL() { return parse("http://127.0.0.1:1/upload"); }

TEST(FormData, URLEncodedValues) {
  auto r = FormDataRequest::requestWithURL(anyURL());
  EXPECT_EQ(r->requestMethod(), "POST");
  r->addPostValue(core::Value("1"), std::string("a"));
  r->addPostValue(core::Value("x y&z=é/?"), std::string("b c"));
  r->addPostValue(core::Value(std::int64_t{7}), std::string("n"));
  r->addPostValue(core::Value("ignored"), std::nullopt);
  r->buildPostBody();
  EXPECT_EQ(contentType(*r), "application/x-www-form-urlencoded; charset=utf-8");
  EXPECT_EQ(sentBody(*r), "a=1&b%20c=x%20y%26z%3D%C3%A9%2F%3F&n=7");
  EXPECT_EQ(r->postLength(), sentBody(*r).size());
}

TEST(FormData, SetPostValueReplacesEveryEntryOfTheKey) {
  auto r = FormDataRequest::requestWithURL(anyURL());
  r->addPostValue(core::Value("1"), std::string("k"));
  r->addPostValue(core::Value("2"), std::string("other"));
  r->addPostValue(core::Value("3"), std::string("k"));
  r->setPostValue(core::Value("4"), std::string("k"));
  r->buildPostBody();
  EXPECT_EQ(sentBody(*r), "other=2&k=4");
}

TEST(FormData, MultipartWithValuesFileAndBytes) {
  std::string path = writeFile("photo.png", std::string("\x89PNG\r\n\x1a\n\0data", 13));
  auto r = FormDataRequest::requestWithURL(anyURL());
  r->addPostValue(core::Value("hello"), std::string("greeting"));
  r->addPostValue(core::Value("2"), std::string("count"));
  r->addFile(path, "avatar");  // switches the URL-encoded request to multipart
  r->addData("raw bytes", "blob");
  r->buildPostBody();
  EXPECT_EQ(r->postFormat(), FormDataRequest::MultipartFormDataPostFormat);
  std::string b = boundaryOf(*r);
  ASSERT_EQ(b.rfind("0xKhTmLbOuNdArY-", 0), 0u) << contentType(*r);
  EXPECT_EQ(contentType(*r), "multipart/form-data; charset=utf-8; boundary=" + b);
  std::string sep = "\r\n--" + b + "\r\n";
  std::string want = "--" + b + "\r\n" + "Content-Disposition: form-data; name=\"greeting\"\r\n\r\nhello" +
                     sep + "Content-Disposition: form-data; name=\"count\"\r\n\r\n2" + sep +
                     "Content-Disposition: form-data; name=\"avatar\"; filename=\"photo.png\"\r\n"
                     "Content-Type: image/png\r\n\r\n" +
                     std::string("\x89PNG\r\n\x1a\n\0data", 13) + sep +
                     "Content-Disposition: form-data; name=\"blob\"; filename=\"file\"\r\n"
                     "Content-Type: application/octet-stream\r\n\r\nraw bytes" +
                     "\r\n--" + b + "--\r\n";
  EXPECT_TRUE(r->shouldStreamPostDataFromDisk());
  EXPECT_EQ(sentBody(*r), want);
}

TEST(FormData, DispositionParametersAreEscaped) {
  auto r = FormDataRequest::requestWithURL(anyURL());
  r->setPostFormat(FormDataRequest::MultipartFormDataPostFormat);
  r->addPostValue(core::Value("v"), std::string("a\"b\r\nX-Injected: 1"));
  r->addData("d", std::string("evil\".txt"), std::string("text/plain"), "f");
  r->buildPostBody();
  std::string body = sentBody(*r);
  EXPECT_NE(body.find("name=\"a%22b%0D%0AX-Injected: 1\""), std::string::npos) << body;
  EXPECT_NE(body.find("filename=\"evil%22.txt\""), std::string::npos) << body;
  EXPECT_EQ(body.find("\r\nX-Injected"), std::string::npos);
}

TEST(FormData, MissingFileFailsWithCode6AndIsNotSent) {
  auto r = FormDataRequest::requestWithURL(anyURL());
  r->addFile("/nonexistent/file.bin", "f");
  ASSERT_TRUE(r->error());
  EXPECT_EQ(r->error()->code, InternalErrorWhileBuildingRequestType);
  EXPECT_EQ(r->error()->description, "No file exists at /nonexistent/file.bin");
  ASSERT_EQ(r->fileData().size(), 1u);  // kept all the same
  r->startSynchronous();                // ends at once: nothing is sent (the port would refuse)
  EXPECT_EQ(r->error()->code, InternalErrorWhileBuildingRequestType);
}

class FormDataUpload : public LoopbackSuite {};

TEST_F(FormDataUpload, RawBodyWithoutFormIsSentUnchanged) {
  auto r = FormDataRequest::requestWithURL(url("/echo"));
  std::string path = writeFile("avatar.jpg", "JPEGDATA\x01\x02");
  r->appendPostDataFromFile(path);
  r->startSynchronous();
  ASSERT_FALSE(r->error());
  std::string echo = r->responseString().value_or("");
  EXPECT_NE(echo.find("\"body\": \"JPEGDATA\\u0001\\u0002\""), std::string::npos) << echo;
  EXPECT_EQ(echo.find("Content-Type"), std::string::npos) << echo;  // no type of its own
  EXPECT_NE(echo.find("\"method\": \"POST\""), std::string::npos);
}

TEST_F(FormDataUpload, MultipartBodyArrivesWhole) {
  auto r = FormDataRequest::requestWithURL(url("/echo"));
  r->addPostValue(core::Value("v"), std::string("k"));
  r->addData(std::string(5000, 'z'), "big");
  r->startSynchronous();
  ASSERT_FALSE(r->error());
  std::string echo = r->responseString().value_or("");
  EXPECT_NE(echo.find("\"body_length\": " + std::to_string(r->postLength())), std::string::npos) << echo;
  EXPECT_NE(echo.find("multipart/form-data; charset=utf-8; boundary=0xKhTmLbOuNdArY-"), std::string::npos);
}

}  // namespace
