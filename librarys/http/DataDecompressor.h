#pragma once
// DataDecompressor: inflates gzip- or zlib-wrapped bodies (the header is detected: window bits 47),
// chunk by chunk while a body arrives, in one piece from memory, or file to file in 256 KB steps.
// Each object owns one zlib stream, made ready on creation (through decompressor()) and closed when done
// or when the object goes away.
//
// Inflation stops at the end of the first gzip member: bytes after it (a second member, trailing data)
// are not inflated. The one-shot and file forms fail when their input stops before that end.
//
// Limit: a stream may be given the most bytes it may inflate to in all (a few kilobytes of gzip can
// stand for gigabytes). Past it the call fails with a code-11 error "Decompression of data failed
// because the inflated data is larger than %llu bytes" and outputLimitExceeded() turns true; no more than
// about one output step beyond the limit is ever held.
//
// Failures are errors of the domain "HTTPRequestErrorDomain" with code 11; nothing is thrown.
// Byte buffers are std::string (raw bytes, not text).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Error.h"

class DataDecompressor {
 public:
  DataDecompressor();  // the stream is not set up yet: call setupStream(), or use decompressor()
  ~DataDecompressor();
  DataDecompressor(const DataDecompressor&) = delete;
  DataDecompressor& operator=(const DataDecompressor&) = delete;

  // A new decompressor whose stream is already set up (streamReady() tells whether that worked).
  static std::unique_ptr<DataDecompressor> decompressor();

  std::optional<core::Error> setupStream();  // nothing to do when ready
  std::optional<core::Error> closeStream();  // nothing to do when not ready
  bool streamReady() const { return streamReady_; }
  // True once the end of the compressed stream has been inflated (until the stream is set up again).
  // A body whose input ran out while this is false was cut short.
  bool streamEnded() const { return streamEnded_; }

  // The most bytes the stream may inflate to in all; 0 (the default) for no limit.
  void setMaxOutputLength(std::uint64_t bytes) { maxOutputLength_ = bytes; }
  std::uint64_t maxOutputLength() const { return maxOutputLength_; }
  bool outputLimitExceeded() const { return outputLimitExceeded_; }

  // Inflates `length` more bytes of the body. Returns the bytes this call produced (possibly empty), or
  // nullopt: for a length of 0 (error left untouched), or on a zlib failure (error set when given).
  std::optional<std::string> uncompressBytes(const void* bytes, std::size_t length, core::Error* error);
  std::optional<std::string> uncompressBytes(std::string_view bytes, core::Error* error) {
    return uncompressBytes(bytes.data(), bytes.size(), error);
  }

  // The whole buffer inflated; nullopt for empty data (no error) or on failure (error set), including
  // data that stops before the end of the compressed stream. With maxLength > 0, data that inflates to
  // more fails (and *limitExceeded, when given, is set).
  static std::optional<std::string> uncompressData(std::string_view data, core::Error* error,
                                                   std::uint64_t maxLength = 0,
                                                   bool* limitExceeded = nullptr);
  // Inflates the source file into the destination (created empty first, replacing any file there).
  // An empty source gives an empty destination; a source cut short fails. On failure the partly
  // written destination stays. maxLength and limitExceeded as for uncompressData.
  static bool uncompressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                     core::Error* error, std::uint64_t maxLength = 0,
                                     bool* limitExceeded = nullptr);

  // "Decompression of data failed with code %hi" (the zlib result code).
  static core::Error inflateErrorWithCode(int code);
  // "Decompression of data failed because the inflated data is larger than %llu bytes".
  static core::Error inflateLimitError(std::uint64_t maxLength);

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;
  bool streamReady_ = false;
  bool streamEnded_ = false;
  std::uint64_t maxOutputLength_ = 0;
  bool outputLimitExceeded_ = false;
};
