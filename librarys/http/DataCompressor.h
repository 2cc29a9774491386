#pragma once
// DataCompressor: deflates request bodies into gzip (zlib with window bits 31), chunk by chunk, in one
// piece from memory, or file to file in 256 KB steps. Each object owns one zlib stream, made ready on
// creation (through compressor()) and closed when done or when the object goes away.
//
// Failures are errors of the domain "HTTPRequestErrorDomain" with code 11; nothing is thrown.
// Byte buffers are std::string (raw bytes, not text).

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Error.h"

struct z_stream_s;  // zlib's z_stream

class DataCompressor {
 public:
  DataCompressor();  // the stream is not set up yet: call setupStream(), or use compressor()
  ~DataCompressor();
  DataCompressor(const DataCompressor&) = delete;
  DataCompressor& operator=(const DataCompressor&) = delete;

  // A new compressor whose stream is already set up (streamReady() tells whether that worked).
  static std::unique_ptr<DataCompressor> compressor();

  std::optional<core::Error> setupStream();  // nothing to do when ready
  std::optional<core::Error> closeStream();  // nothing to do when not ready
  bool streamReady() const { return streamReady_; }

  // Deflates `length` bytes; with shouldFinish the gzip stream is ended after them. Returns the bytes
  // this call produced (possibly empty), or nullopt: for a length of 0 (error left untouched), or on a
  // zlib failure (error set when given).
  std::optional<std::string> compressBytes(const void* bytes, std::size_t length, core::Error* error,
                                           bool shouldFinish);
  std::optional<std::string> compressBytes(std::string_view bytes, core::Error* error, bool shouldFinish) {
    return compressBytes(bytes.data(), bytes.size(), error, shouldFinish);
  }

  // The whole buffer as one gzip stream; nullopt for empty data (no error) or on failure (error set).
  static std::optional<std::string> compressData(std::string_view data, core::Error* error);
  // Gzips the source file into the destination (created empty first, replacing any file there).
  // An empty source gives an empty destination. On failure the partly written destination stays.
  static bool compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                   core::Error* error);

  // "Compression of data failed with code %hi" (the zlib result code).
  static core::Error deflateErrorWithCode(int code);

 private:
  struct Stream;
  std::unique_ptr<Stream> stream_;
  bool streamReady_ = false;
};

// Pieces the compressor and the decompressor share.
namespace gzipdetail {

inline constexpr const char* kErrorDomain = "HTTPRequestErrorDomain";
inline constexpr int kCompressionErrorCode = 11;
inline constexpr std::size_t kFileChunkSize = 262144;
// The smallest step by which a chunk's output buffer grows (half the input length is 0 for one byte).
inline constexpr std::size_t kMinimumGrowth = 4096;

// A code-11 error with `text` as its description, and `underlying` (when given) under
// "NSUnderlyingError" as {"domain", "code", "description"}.
core::Error makeError(const std::string& text, const std::optional<core::Error>& underlying = std::nullopt);
// "<verb> of data failed with code %hi".
core::Error codeError(const char* verb, int code);

// One zlib call of a pump: kStop when the output of this chunk is complete, kFail when the call failed.
enum class PumpStep { kGoOn, kStop, kFail };
// The buffer loop of both classes: hands the `length` bytes at `bytes` to `stream` in
// slices zlib can count, gives it fresh output space (starting at `initialSize`, growing by half the
// input, at least kMinimumGrowth) and calls `step` with the count of bytes not yet handed over after
// each slice of space. Returns what the stream produced, or nullopt when a step reported kFail.
using PumpCall = std::function<PumpStep(std::size_t rest)>;
std::optional<std::string> pumpStream(z_stream_s* stream, const void* bytes, std::size_t length,
                                      std::size_t initialSize, const PumpCall& step);
// Resets a z_stream to default allocators and no input, ready for its init call.
void resetStream(z_stream_s* stream);

// Converts one chunk of a file; `last` is true for the final chunk of the source (also when that chunk
// is a full one). nullopt with *error set stops the conversion.
using ChunkConverter =
    std::function<std::optional<std::string>(std::string_view chunk, bool last, core::Error* error)>;
// The file-to-file loop of both classes: creates the destination empty, checks the source, then reads
// it in kFileChunkSize chunks, converts each and writes the result. Errors name `verb` ("Compression",
// "Decompression"). Does not touch the converter's stream; the caller closes it.
bool convertFile(const char* verb, const std::string& sourcePath, const std::string& destinationPath,
                 const ChunkConverter& convert, core::Error* error);

}  // namespace gzipdetail
