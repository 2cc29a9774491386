#pragma once
// The second JSON codec's reader: a lenient scanner that turns JSON bytes into core::Value trees.
//
// Leniencies: any value may stand at the top level, scanning stops after the first complete value
// (what follows is not looked at), arrays and objects may end with a trailing comma, an unknown escape
// letter stands for itself unless strictEscapeCodes() is set, and a text that starts with an apostrophe
// is recognised as a (failed) string.
//
// Strict where leniency would hurt: numbers must have the JSON number shape (else -401), containers
// nest at most maxDepth() deep (else kErrorCodeNestingTooDeep), string content must be UTF-8 and every
// "\u" escape must give a character (a surrogate pair combines into one character; a lone surrogate is
// -302).
//
// Objects become Dictionary values (a repeated key keeps its first place and its last value), arrays
// Array values, true and false Bool values, null the nullObject() (Null by default; when nullObject()
// is Nil, nulls are left out of arrays and objects). Numbers with a point or an exponent become exact
// Decimal values; whole numbers Integer values, or Decimal values beyond the 64-bit range.
//
// Errors are in the domain kErrorDomain with the codes below, and carry userInfoForScanLocation() as
// their user info. When a container fails because a value inside it failed, the container's error
// names the container, and the first cause is kept under "NSUnderlyingError" as a dictionary with
// "domain", "code", "description" and "location".

#include <cstddef>

#include "librarys/altjson/AltDataScanner.h"
#include "platform/core/Error.h"
#include "platform/core/Value.h"

// Text encodings a JSON text may come in.
enum class AltTextEncoding {
  None = 0,
  UTF8,
  UTF16BigEndian,
  UTF16LittleEndian,
  UTF32BigEndian,
  UTF32LittleEndian,
  ISOLatin1,
  GB18030,
};

class AltJSONScanner : public AltDataScanner {
 public:
  static constexpr const char* kErrorDomain = "kJSONScannerErrorDomain";
  enum ErrorCode : int {
    kErrorCodeCouldNotDecodeData = -12,
    kErrorCodeCouldNotScanObject = -15,
    kErrorCodeNestingTooDeep = -16,
    kErrorCodeDictionaryStartCharacterMissing = -101,
    kErrorCodeDictionaryKeyScanFailed = -102,
    kErrorCodeDictionaryKeyNotTerminated = -103,
    kErrorCodeDictionaryValueScanFailed = -104,
    kErrorCodeDictionaryKeyValuePairNoDelimiter = -105,
    kErrorCodeDictionaryNotTerminated = -106,
    kErrorCodeArrayStartCharacterMissing = -201,
    kErrorCodeArrayValueScanFailed = -202,
    kErrorCodeArrayValueIsNull = -203,
    kErrorCodeArrayNotTerminated = -204,
    kErrorCodeStringNotStartedWithQuote = -301,
    kErrorCodeStringUnicodeNotDecoded = -302,
    kErrorCodeStringUnknownEscapeCode = -303,
    kErrorCodeStringNotTerminated = -304,
    kErrorCodeNumberNotScannable = -401,
  };
  // Bits of options(). Values are always fresh containers that belong to the caller, so both bits
  // describe what every result already is; they are kept for callers that set them.
  enum Options : unsigned { kMutableContainers = 1, kMutableLeaves = 2 };
  static constexpr std::size_t kDefaultMaxDepth = 512;
  static constexpr const char* kUnderlyingErrorKey = "NSUnderlyingError";

  AltJSONScanner() = default;

  bool strictEscapeCodes() const { return strictEscapeCodes_; }
  void setStrictEscapeCodes(bool on) { strictEscapeCodes_ = on; }
  const core::Value& nullObject() const { return nullObject_; }
  void setNullObject(core::Value object) { nullObject_ = std::move(object); }
  AltTextEncoding allowedEncoding() const { return allowedEncoding_; }
  void setAllowedEncoding(AltTextEncoding encoding) { allowedEncoding_ = encoding; }
  unsigned options() const { return options_; }
  void setOptions(unsigned options) { options_ = options; }
  // How many arrays and objects may nest inside one another (1: no container inside a container).
  std::size_t maxDepth() const { return maxDepth_; }
  void setMaxDepth(std::size_t depth) { maxDepth_ = depth; }

  // Takes the bytes to scan. Four bytes or more are decoded in the encoding their byte-order mark or
  // else their zero bytes show (00 00 00 xx UTF-32 BE, 00 xx 00 xx UTF-16 BE, xx 00 00 00 UTF-32 LE,
  // xx 00 xx 00 UTF-16 LE, otherwise UTF-8), then by allowedEncoding() when that fails, and scanned as UTF-8;
  // a leading byte order mark is dropped. A null buffer, or bytes that decode in neither, fail with -12.
  bool setData(const core::Bytes* data, core::Error* error);
  bool setData(const core::Bytes& data, core::Error* error) { return setData(&data, error); }

  // One value of any kind at the location. True with `value` Nil when the letters there are no
  // literal (nothing is consumed) or when a null is read while nullObject() is Nil.
  bool scanJSONObject(core::Value* value, core::Error* error);
  bool scanJSONDictionary(core::Value* value, core::Error* error);
  bool scanJSONArray(core::Value* value, core::Error* error);
  bool scanJSONStringConstant(core::Value* value, core::Error* error);
  bool scanJSONNumberConstant(core::Value* value, core::Error* error);

 private:
  bool fail(core::Error* error, int code, std::size_t restoreTo, const core::Error* cause = nullptr);
  bool appendEscape(std::string& into, char32_t* pendingHigh, core::Error* error, std::size_t start);

  bool strictEscapeCodes_ = false;
  core::Value nullObject_ = core::Value::null();
  AltTextEncoding allowedEncoding_ = AltTextEncoding::None;
  unsigned options_ = 0;
  std::size_t maxDepth_ = kDefaultMaxDepth;
  std::size_t depth_ = 0;
};
