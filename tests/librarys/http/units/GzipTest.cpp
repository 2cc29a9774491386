// Gzip deflation and inflation: in memory, chunk by chunk and file to file.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "librarys/http/DataCompressor.h"
#include "librarys/http/DataDecompressor.h"
#include "tests/support/TempDir.h"

namespace {

using TempDir = testsupport::TempDir;

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Bytes that barely compress.
std::string noise(std::size_t n, unsigned seed = 7) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

// Text that compresses well but is not a single repeated byte.
std::string text(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; s.size() < n; ++i) s += "line " + std::to_string(i) + " of the body\n";
  s.resize(n);
  return s;
}

std::string gzip(const std::string& data) {
  core::Error err;
  auto out = DataCompressor::compressData(data, &err);
  EXPECT_TRUE(out.has_value()) << err.description;
  return out.value_or("");
}

std::string zlibWrapped(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(data.data()), data.size(), Z_BEST_COMPRESSION),
            Z_OK);
  out.resize(size);
  return out;
}

void expectCode11(const core::Error& e, const std::string& description) {
  EXPECT_EQ(e.domain, "HTTPRequestErrorDomain");
  EXPECT_EQ(e.code, 11);
  EXPECT_EQ(e.description, description);
  EXPECT_EQ(e.userInfo["NSLocalizedDescription"].toString(), description);
}

const core::Error kUntouched("untouched", 99);

}  // namespace

TEST(Gzip, RoundTripsInMemory) {
  const std::string cases[] = {
      "x", "ab", text(100), noise(1000), noise(65536), text(1 << 20), std::string(10 << 20, '\0')};
  for (const auto& data : cases) {
    SCOPED_TRACE(data.size());
    std::string packed = gzip(data);
    ASSERT_GE(packed.size(), 18u);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x1f);  // a gzip member, not a bare zlib stream
    EXPECT_EQ(static_cast<unsigned char>(packed[1]), 0x8b);
    core::Error err;
    auto back = DataDecompressor::uncompressData(packed, &err);
    ASSERT_TRUE(back.has_value()) << err.description;
    EXPECT_TRUE(*back == data);
  }
}

TEST(Gzip, ZlibWrappedBodiesInflateToo) {
  const std::string data = text(5000);
  auto back = DataDecompressor::uncompressData(zlibWrapped(data), nullptr);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, data);
}

TEST(Gzip, ChunkByChunkInBothDirections) {
  // Chunks of one byte are the smallest input: their output buffer still has to grow.
  for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
    SCOPED_TRACE(chunk);
    const std::string data = text(20000) + noise(3000);
    auto c = DataCompressor::compressor();
    ASSERT_TRUE(c->streamReady());
    std::string packed;
    for (std::size_t i = 0; i < data.size(); i += chunk) {
      const std::string_view piece = std::string_view(data).substr(i, chunk);
      core::Error err;
      auto out = c->compressBytes(piece, &err, i + chunk >= data.size());
      ASSERT_TRUE(out.has_value()) << err.description;
      packed += *out;
    }
    EXPECT_FALSE(c->closeStream().has_value());
    EXPECT_FALSE(c->streamReady());

    auto d = DataDecompressor::decompressor();
    std::string back;
    for (std::size_t i = 0; i < packed.size(); i += chunk) {
      EXPECT_FALSE(d->streamEnded());
      core::Error err;
      auto out = d->uncompressBytes(std::string_view(packed).substr(i, chunk), &err);
      ASSERT_TRUE(out.has_value()) << err.description;
      back += *out;
    }
    EXPECT_TRUE(d->streamEnded());
    EXPECT_TRUE(back == data);
  }
}

TEST(Gzip, OneByteInputsWork) {
  core::Error err = kUntouched;
  auto c = DataCompressor::compressor();
  auto partial = c->compressBytes("a", 1, &err, false);
  ASSERT_TRUE(partial.has_value()) << err.description;
  auto finished = c->compressBytes("b", 1, &err, true);
  ASSERT_TRUE(finished.has_value()) << err.description;
  EXPECT_EQ(DataDecompressor::uncompressData(*partial + *finished, nullptr),
            std::optional<std::string>("ab"));
  EXPECT_EQ(err, kUntouched);
}

TEST(Gzip, EmptyInputGivesNothingAndNoError) {
  core::Error err = kUntouched;
  EXPECT_FALSE(DataCompressor::compressor()->compressBytes("", 0, &err, true).has_value());
  EXPECT_FALSE(DataDecompressor::decompressor()->uncompressBytes("", 0, &err).has_value());
  EXPECT_FALSE(DataCompressor::compressData("", &err).has_value());
  EXPECT_FALSE(DataDecompressor::uncompressData("", &err).has_value());
  EXPECT_EQ(err, kUntouched);
}

TEST(Gzip, DataCutShortFailsWithCode11) {
  const std::string packed = gzip(text(50000));
  // Only the header; half of the body; all but the trailer's length field; all but the last byte.
  for (std::size_t keep : {std::size_t{10}, packed.size() / 2, packed.size() - 4, packed.size() - 1}) {
    SCOPED_TRACE(keep);
    core::Error err;
    EXPECT_FALSE(DataDecompressor::uncompressData(packed.substr(0, keep), &err).has_value());
    expectCode11(err, "Decompression of data failed with code -5");
  }
  // Fed chunk by chunk the stream simply has not ended yet.
  auto d = DataDecompressor::decompressor();
  EXPECT_TRUE(d->uncompressBytes(packed.substr(0, packed.size() - 1), nullptr).has_value());
  EXPECT_FALSE(d->streamEnded());
}

TEST(Gzip, DataThatIsNotCompressedOrIsDamagedFails) {
  std::string damagedTrailer = gzip(text(3000));
  damagedTrailer[damagedTrailer.size() - 6] ^= 0x55;  // the checksum no longer matches
  std::string damagedHeader = gzip(text(3000));
  damagedHeader[2] = 9;  // an unknown compression method
  for (const std::string& bad : {std::string("plain text, not compressed"), damagedTrailer, damagedHeader}) {
    core::Error err;
    EXPECT_FALSE(DataDecompressor::uncompressData(bad, &err).has_value());
    expectCode11(err, "Decompression of data failed with code -3");
  }
  // Once a stream has failed, later chunks fail too.
  auto d = DataDecompressor::decompressor();
  EXPECT_FALSE(d->uncompressBytes(std::string("not gzip at all"), nullptr).has_value());
  EXPECT_FALSE(d->uncompressBytes(gzip("more"), nullptr).has_value());
}

TEST(Gzip, InflationStopsAtTheEndOfTheFirstMember) {
  const std::string both = gzip("first member") + gzip("second member");
  EXPECT_EQ(DataDecompressor::uncompressData(both, nullptr), std::optional<std::string>("first member"));
  auto d = DataDecompressor::decompressor();
  EXPECT_EQ(d->uncompressBytes(both, nullptr), std::optional<std::string>("first member"));
  EXPECT_TRUE(d->streamEnded());
  EXPECT_EQ(d->uncompressBytes(gzip("third"), nullptr), std::optional<std::string>(""));
}

TEST(Gzip, StreamSetUpAndClose) {
  DataCompressor c;  // not set up
  EXPECT_FALSE(c.streamReady());
  EXPECT_FALSE(c.closeStream().has_value());
  core::Error err;
  EXPECT_FALSE(c.compressBytes("abc", 3, &err, true).has_value());
  expectCode11(err, "Compression of data failed with code -2");
  EXPECT_FALSE(c.setupStream().has_value());
  EXPECT_FALSE(c.setupStream().has_value());  // already ready: nothing happens
  EXPECT_TRUE(c.streamReady());
  auto packed = c.compressBytes("abc", 3, &err, true);
  ASSERT_TRUE(packed.has_value());
  EXPECT_EQ(DataDecompressor::uncompressData(*packed, nullptr), std::optional<std::string>("abc"));

  // A finished stream takes no more data.
  EXPECT_FALSE(c.compressBytes("def", 3, &err, false).has_value());
  EXPECT_EQ(err.code, 11);

  // Set up again, the stream starts a new member.
  c.closeStream();
  ASSERT_FALSE(c.setupStream().has_value());
  packed = c.compressBytes("xyz", 3, &err, true);
  ASSERT_TRUE(packed.has_value());
  EXPECT_EQ(DataDecompressor::uncompressData(*packed, nullptr), std::optional<std::string>("xyz"));

  EXPECT_EQ(DataCompressor::deflateErrorWithCode(-4).description, "Compression of data failed with code -4");
  EXPECT_EQ(DataDecompressor::inflateErrorWithCode(2).description,
            "Decompression of data failed with code 2");
}

// ---------------------------------------------------------------------------------------------------
// File to file

TEST(GzipFiles, RoundTripAcrossChunkBoundaries) {
  TempDir dir;
  // Around the 262144-byte chunk: one byte, one chunk exactly, two chunks exactly, and a short tail.
  for (std::size_t size : {std::size_t{1}, std::size_t{262144}, std::size_t{524288}, std::size_t{600000}}) {
    SCOPED_TRACE(size);
    const std::string data = text(size / 2) + noise(size - size / 2);
    writeFile(dir / "body", data);
    core::Error err;
    ASSERT_TRUE(DataCompressor::compressDataFromFile(dir / "body", dir / "body.gz", &err)) << err.description;
    // A complete gzip file: the one-shot inflation insists on the end of the stream.
    auto inflated = DataDecompressor::uncompressData(readFile(dir / "body.gz"), &err);
    ASSERT_TRUE(inflated.has_value()) << err.description;
    EXPECT_TRUE(*inflated == data);
    ASSERT_TRUE(DataDecompressor::uncompressDataFromFile(dir / "body.gz", dir / "body.out", &err))
        << err.description;
    EXPECT_TRUE(readFile(dir / "body.out") == data);
  }
}

TEST(GzipFiles, EmptySourceGivesEmptyDestination) {
  TempDir dir;
  writeFile(dir / "empty", "");
  writeFile(dir / "out", "old content");
  EXPECT_TRUE(DataCompressor::compressDataFromFile(dir / "empty", dir / "out", nullptr));
  EXPECT_EQ(readFile(dir / "out"), "");
  writeFile(dir / "out2", "old content");
  EXPECT_TRUE(DataDecompressor::uncompressDataFromFile(dir / "empty", dir / "out2", nullptr));
  EXPECT_EQ(readFile(dir / "out2"), "");
}

TEST(GzipFiles, ZlibWrappedAndConcatenatedFiles) {
  TempDir dir;
  writeFile(dir / "z", zlibWrapped(text(300000)));
  ASSERT_TRUE(DataDecompressor::uncompressDataFromFile(dir / "z", dir / "z.out", nullptr));
  EXPECT_EQ(readFile(dir / "z.out"), text(300000));

  writeFile(dir / "two.gz", gzip("first member") + gzip("second member"));
  ASSERT_TRUE(DataDecompressor::uncompressDataFromFile(dir / "two.gz", dir / "two.out", nullptr));
  EXPECT_EQ(readFile(dir / "two.out"), "first member");
}

TEST(GzipFiles, TruncatedOrDamagedFileFails) {
  TempDir dir;
  const std::string data = text(400000) + noise(200000);
  const std::string packed = gzip(data);
  writeFile(dir / "cut.gz", packed.substr(0, packed.size() - 8));
  core::Error err;
  EXPECT_FALSE(DataDecompressor::uncompressDataFromFile(dir / "cut.gz", dir / "cut.out", &err));
  expectCode11(err, "Decompression of data failed with code -5");
  // What was inflated before the end stays in place.
  EXPECT_TRUE(readFile(dir / "cut.out") == data);

  writeFile(dir / "bad.gz", noise(300000));
  EXPECT_FALSE(DataDecompressor::uncompressDataFromFile(dir / "bad.gz", dir / "bad.out", &err));
  expectCode11(err, "Decompression of data failed with code -3");
}

TEST(GzipFiles, FileErrorsNameThePaths) {
  TempDir dir;
  writeFile(dir / "src", "some body");
  core::Error err;

  const std::string missing = dir / "missing";
  EXPECT_FALSE(DataCompressor::compressDataFromFile(missing, dir / "out", &err));
  expectCode11(err, "Compression of " + missing + " failed the file does not exist");
  EXPECT_TRUE(std::filesystem::exists(dir / "out"));  // the destination is made before the source is checked
  EXPECT_FALSE(DataDecompressor::uncompressDataFromFile(missing, dir / "out", &err));
  expectCode11(err, "Decompression of " + missing + " failed the file does not exist");

  const std::string noDir = dir / "no/such/dir/out";
  EXPECT_FALSE(DataCompressor::compressDataFromFile(dir / "src", noDir, &err));
  expectCode11(err,
               "Compression of " + (dir / "src") + " failed because we were to create a file at " + noDir);
  EXPECT_EQ(err.userInfo["NSUnderlyingError"]["code"].toInt(), ENOENT);

  // A directory opens but cannot be read.
  std::filesystem::create_directory(dir / "adir");
  EXPECT_FALSE(DataCompressor::compressDataFromFile(dir / "adir", dir / "out", &err));
  expectCode11(err, "Compression of " + (dir / "adir") +
                        " failed because we were unable to read from the source data file");
  EXPECT_EQ(err.userInfo["NSUnderlyingError"]["code"].toInt(), EISDIR);

  // A device that is always full takes no bytes.
  if (std::filesystem::exists("/dev/full")) {
    writeFile(dir / "src.gz", gzip(text(1000)));
    EXPECT_FALSE(DataDecompressor::uncompressDataFromFile(dir / "src.gz", "/dev/full", &err));
    expectCode11(err,
                 "Decompression of " + (dir / "src.gz") +
                     " failed because we were unable to write to the destination data file at /dev/full");
    EXPECT_EQ(err.userInfo["NSUnderlyingError"]["code"].toInt(), ENOSPC);
  }
}

TEST(GzipFiles, SourceAndDestinationTheSameFileIsRefused) {
  TempDir dir;
  writeFile(dir / "body", "precious bytes");
  std::filesystem::create_hard_link(dir / "body", dir / "alias");
  for (const std::string& destination : {dir / "body", dir / "alias", (dir / ".") + "/body"}) {
    core::Error err;
    EXPECT_FALSE(DataCompressor::compressDataFromFile(dir / "body", destination, &err));
    EXPECT_EQ(err.code, 11);
    EXPECT_EQ(readFile(dir / "body"), "precious bytes");
    EXPECT_FALSE(DataDecompressor::uncompressDataFromFile(dir / "body", destination, &err));
    EXPECT_EQ(readFile(dir / "body"), "precious bytes");
  }
}
