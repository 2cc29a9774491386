#include "librarys/http/DataDecompressor.h"

#include <zlib.h>

#include "librarys/http/DataCompressor.h"

namespace {
constexpr const char* kVerb = "Decompression";
}  // namespace

struct DataDecompressor::Stream {
  z_stream z{};
};

DataDecompressor::DataDecompressor() : stream_(std::make_unique<Stream>()) {}

DataDecompressor::~DataDecompressor() { closeStream(); }

std::unique_ptr<DataDecompressor> DataDecompressor::decompressor() {
  auto d = std::make_unique<DataDecompressor>();
  d->setupStream();
  return d;
}

std::optional<core::Error> DataDecompressor::setupStream() {
  if (streamReady_) return std::nullopt;
  gzipdetail::resetStream(&stream_->z);
  int rc = inflateInit2(&stream_->z, 47);  // 15 window bits, plus 32: a gzip or zlib header, detected
  if (rc != Z_OK) return inflateErrorWithCode(rc);
  streamReady_ = true;
  streamEnded_ = false;
  outputLimitExceeded_ = false;
  return std::nullopt;
}

std::optional<core::Error> DataDecompressor::closeStream() {
  if (!streamReady_) return std::nullopt;
  streamReady_ = false;
  int rc = inflateEnd(&stream_->z);
  if (rc != Z_OK) return inflateErrorWithCode(rc);
  return std::nullopt;
}

std::optional<std::string> DataDecompressor::uncompressBytes(const void* bytes, std::size_t length,
                                                             core::Error* error) {
  if (length == 0) return std::nullopt;
  auto fail = [&](int code) -> std::optional<std::string> {
    if (error)
      *error = outputLimitExceeded_ ? inflateLimitError(maxOutputLength_) : inflateErrorWithCode(code);
    return std::nullopt;
  };
  if (!streamReady_ || outputLimitExceeded_) return fail(Z_STREAM_ERROR);

  z_stream& z = stream_->z;
  int rc = Z_OK;
  auto out =
      gzipdetail::pumpStream(&z, bytes, length, length + length / 2, [this, &z, &rc](std::size_t rest) {
        rc = inflate(&z, Z_NO_FLUSH);
        if (maxOutputLength_ > 0 && z.total_out > maxOutputLength_) {
          outputLimitExceeded_ = true;
          return gzipdetail::PumpStep::kFail;
        }
        if (rc == Z_STREAM_END) {  // the end of the compressed data: what follows it is not inflated
          streamEnded_ = true;
          return gzipdetail::PumpStep::kStop;
        }
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && rest == 0)
          return gzipdetail::PumpStep::kStop;  // everything given was taken in
        if (rc != Z_OK) return gzipdetail::PumpStep::kFail;
        // Go on while input is left, and while zlib filled the space it had: output it still holds back
        // after the last input byte must not wait for the next chunk (there may be none).
        if (z.avail_in == 0 && rest == 0 && z.avail_out != 0) return gzipdetail::PumpStep::kStop;
        return gzipdetail::PumpStep::kGoOn;
      });
  if (!out) return fail(rc);
  return out;
}

std::optional<std::string> DataDecompressor::uncompressData(std::string_view data, core::Error* error,
                                                            std::uint64_t maxLength, bool* limitExceeded) {
  if (limitExceeded) *limitExceeded = false;
  if (data.empty()) return std::nullopt;
  DataDecompressor d;
  if (auto e = d.setupStream()) {
    if (error) *error = *e;
    return std::nullopt;
  }
  d.setMaxOutputLength(maxLength);
  auto out = d.uncompressBytes(data, error);
  if (limitExceeded) *limitExceeded = d.outputLimitExceeded();
  if (!out) return std::nullopt;
  if (!d.streamEnded()) {  // the data stops before the end of the compressed stream
    if (error) *error = inflateErrorWithCode(Z_BUF_ERROR);
    return std::nullopt;
  }
  if (auto e = d.closeStream()) {
    if (error) *error = *e;
    return std::nullopt;
  }
  return out;
}

bool DataDecompressor::uncompressDataFromFile(const std::string& sourcePath,
                                              const std::string& destinationPath, core::Error* error,
                                              std::uint64_t maxLength, bool* limitExceeded) {
  if (limitExceeded) *limitExceeded = false;
  DataDecompressor d;
  bool sawInput = false;
  auto convert = [&d, &sawInput, maxLength](std::string_view chunk, bool,
                                            core::Error* err) -> std::optional<std::string> {
    if (!d.streamReady()) {
      if (auto e = d.setupStream()) {
        if (err) *err = *e;
        return std::nullopt;
      }
      d.setMaxOutputLength(maxLength);
    }
    sawInput = true;
    return d.uncompressBytes(chunk, err);
  };
  if (!gzipdetail::convertFile(kVerb, sourcePath, destinationPath, convert, error)) {
    if (limitExceeded) *limitExceeded = d.outputLimitExceeded();
    d.closeStream();
    return false;
  }
  if (sawInput && !d.streamEnded()) {  // the file stops before the end of the compressed stream
    d.closeStream();
    if (error) *error = inflateErrorWithCode(Z_BUF_ERROR);
    return false;
  }
  if (auto e = d.closeStream()) {
    if (error) *error = *e;
    return false;
  }
  return true;
}

core::Error DataDecompressor::inflateErrorWithCode(int code) { return gzipdetail::codeError(kVerb, code); }

core::Error DataDecompressor::inflateLimitError(std::uint64_t maxLength) {
  return gzipdetail::makeError("Decompression of data failed because the inflated data is larger than " +
                               std::to_string(maxLength) + " bytes");
}
