#include "librarys/http/DataCompressor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/core/Paths.h"

namespace gzipdetail {
namespace {

core::Error posixError(int code) { return core::Error("NSPOSIXErrorDomain", code, std::strerror(code)); }

// Reads until `size` bytes or the end of the file; false on a read error (errno kept).
bool readChunk(int fd, std::string& chunk, std::size_t size) {
  chunk.resize(size);
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd, chunk.data() + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  chunk.resize(got);
  return true;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes the descriptor; false (errno kept) when the close reported an error.
  bool close() {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  int fd_;
};

}  // namespace

core::Error makeError(const std::string& text, const std::optional<core::Error>& underlying) {
  core::Dictionary info{{"NSLocalizedDescription", text}};
  if (underlying) {
    info.set("NSUnderlyingError", core::Value(core::Dictionary{{"domain", underlying->domain},
                                                               {"code", underlying->code},
                                                               {"description", underlying->description}}));
  }
  return core::Error(kErrorDomain, kCompressionErrorCode, text, core::Value(info));
}

core::Error codeError(const char* verb, int code) {
  char text[96];
  std::snprintf(text, sizeof text, "%s of data failed with code %hi", verb, static_cast<short>(code));
  return makeError(text);
}

bool convertFile(const char* verb, const std::string& sourcePath, const std::string& destinationPath,
                 const ChunkConverter& convert, core::Error* error) {
  const std::string v = verb;
  auto fail = [&](core::Error e) {
    if (error) *error = std::move(e);
    return false;
  };
  auto createError = [&](int code) {
    return makeError(
        v + " of " + sourcePath + " failed because we were to create a file at " + destinationPath,
        posixError(code));
  };
  auto readError = [&](int code) {
    return makeError(
        v + " of " + sourcePath + " failed because we were unable to read from the source data file",
        posixError(code));
  };
  auto writeError = [&](int code) {
    return makeError(v + " of " + sourcePath +
                         " failed because we were unable to write to the destination data file at " +
                         destinationPath,
                     posixError(code));
  };

  // Emptying the destination must never destroy the source: the same file under two names is refused.
  struct stat src {};
  struct stat dst {};
  const bool sourceExists = ::stat(sourcePath.c_str(), &src) == 0;
  if (sourceExists && ::stat(destinationPath.c_str(), &dst) == 0 && src.st_dev == dst.st_dev &&
      src.st_ino == dst.st_ino) {
    return fail(createError(EEXIST));
  }

  Fd out(::open(destinationPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (out.get() < 0) return fail(createError(errno));
  if (!sourceExists) return fail(makeError(v + " of " + sourcePath + " failed the file does not exist"));

  Fd in(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return fail(readError(errno));

  std::string chunk;
  std::string next;
  if (!readChunk(in.get(), chunk, kFileChunkSize)) return fail(readError(errno));
  while (!chunk.empty()) {
    // A short chunk is the last one; a full one is the last when nothing follows it.
    bool last = chunk.size() < kFileChunkSize;
    if (!last) {
      if (!readChunk(in.get(), next, kFileChunkSize)) return fail(readError(errno));
      last = next.empty();
    }
    auto converted = convert(chunk, last, error);
    if (!converted) return false;
    if (!core::Paths::writeAll(out.get(), *converted)) return fail(writeError(errno));
    chunk.swap(next);
    next.clear();
  }
  in.close();
  if (!out.close()) return fail(writeError(errno));
  return true;
}

void resetStream(z_stream_s* stream) {
  z_stream& z = *stream;
  z = z_stream{};
  z.zalloc = Z_NULL;
  z.zfree = Z_NULL;
  z.opaque = Z_NULL;
  z.next_in = Z_NULL;
  z.avail_in = 0;
}

std::optional<std::string> pumpStream(z_stream_s* stream, const void* bytes, std::size_t length,
                                      std::size_t initialSize, const PumpCall& step) {
  // zlib counts in 32-bit units: larger buffers are fed and filled in slices of this size.
  constexpr std::size_t kMaxSlice = std::size_t{1} << 30;
  z_stream& z = *stream;
  const auto* in = static_cast<const Bytef*>(bytes);
  std::size_t rest = length;  // bytes not yet handed to zlib
  z.avail_in = 0;

  const std::size_t growth = std::max(length / 2, kMinimumGrowth);
  std::string out(initialSize, '\0');
  std::size_t produced = 0;
  for (;;) {
    if (z.avail_in == 0 && rest > 0) {
      const std::size_t n = std::min(rest, kMaxSlice);
      z.next_in = const_cast<Bytef*>(in);
      z.avail_in = static_cast<uInt>(n);
      in += n;
      rest -= n;
    }
    if (produced >= out.size()) out.resize(out.size() + growth);
    const auto offered = static_cast<uInt>(std::min(out.size() - produced, kMaxSlice));
    z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    z.avail_out = offered;
    const PumpStep next = step(rest);
    if (next == PumpStep::kFail) return std::nullopt;
    produced += offered - z.avail_out;
    if (next == PumpStep::kStop) break;
  }
  out.resize(produced);
  return out;
}

}  // namespace gzipdetail

namespace {
constexpr const char* kVerb = "Compression";
}  // namespace

struct DataCompressor::Stream {
  z_stream z{};
};

DataCompressor::DataCompressor() : stream_(std::make_unique<Stream>()) {}

DataCompressor::~DataCompressor() { closeStream(); }

std::unique_ptr<DataCompressor> DataCompressor::compressor() {
  auto c = std::make_unique<DataCompressor>();
  c->setupStream();
  return c;
}

std::optional<core::Error> DataCompressor::setupStream() {
  if (streamReady_) return std::nullopt;
  gzipdetail::resetStream(&stream_->z);
  int rc = deflateInit2(&stream_->z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) return deflateErrorWithCode(rc);
  streamReady_ = true;
  return std::nullopt;
}

std::optional<core::Error> DataCompressor::closeStream() {
  if (!streamReady_) return std::nullopt;
  streamReady_ = false;
  int rc = deflateEnd(&stream_->z);
  // Z_DATA_ERROR only says the stream was ended before it was finished: not a failure of closing.
  if (rc != Z_OK && rc != Z_DATA_ERROR) return deflateErrorWithCode(rc);
  return std::nullopt;
}

std::optional<std::string> DataCompressor::compressBytes(const void* bytes, std::size_t length,
                                                         core::Error* error, bool shouldFinish) {
  if (length == 0) return std::nullopt;
  auto fail = [&](int code) -> std::optional<std::string> {
    if (error) *error = deflateErrorWithCode(code);
    return std::nullopt;
  };
  if (!streamReady_) return fail(Z_STREAM_ERROR);

  z_stream& z = stream_->z;
  int rc = Z_OK;
  auto out = gzipdetail::pumpStream(&z, bytes, length, length / 2, [&z, &rc, shouldFinish](std::size_t rest) {
    const int flush = shouldFinish && rest == 0 ? Z_FINISH : Z_NO_FLUSH;
    rc = deflate(&z, flush);
    if (rc == Z_STREAM_END) return gzipdetail::PumpStep::kStop;
    if (rc == Z_BUF_ERROR && flush == Z_NO_FLUSH && z.avail_in == 0 && rest == 0)
      return gzipdetail::PumpStep::kStop;  // all taken in
    if (rc != Z_OK) return gzipdetail::PumpStep::kFail;
    // Go on while zlib filled the space it had, input is left, or the stream is being finished.
    if (z.avail_out != 0 && z.avail_in == 0 && rest == 0 && flush == Z_NO_FLUSH)
      return gzipdetail::PumpStep::kStop;
    return gzipdetail::PumpStep::kGoOn;
  });
  if (!out) return fail(rc);
  return out;
}

std::optional<std::string> DataCompressor::compressData(std::string_view data, core::Error* error) {
  if (data.empty()) return std::nullopt;
  DataCompressor c;
  if (auto e = c.setupStream()) {
    if (error) *error = *e;
    return std::nullopt;
  }
  auto out = c.compressBytes(data, error, true);
  if (!out) return std::nullopt;
  if (auto e = c.closeStream()) {
    if (error) *error = *e;
    return std::nullopt;
  }
  return out;
}

bool DataCompressor::compressDataFromFile(const std::string& sourcePath, const std::string& destinationPath,
                                          core::Error* error) {
  DataCompressor c;
  auto convert = [&c](std::string_view chunk, bool last, core::Error* err) -> std::optional<std::string> {
    if (!c.streamReady()) {
      if (auto e = c.setupStream()) {
        if (err) *err = *e;
        return std::nullopt;
      }
    }
    return c.compressBytes(chunk, err, last);
  };
  if (!gzipdetail::convertFile(kVerb, sourcePath, destinationPath, convert, error)) {
    c.closeStream();
    return false;
  }
  if (auto e = c.closeStream()) {
    if (error) *error = *e;
    return false;
  }
  return true;
}

core::Error DataCompressor::deflateErrorWithCode(int code) { return gzipdetail::codeError(kVerb, code); }
