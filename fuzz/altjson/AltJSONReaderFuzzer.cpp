// Feeds arbitrary bytes to the second JSON codec's reader, with settings taken from the first byte.
// Whatever it accepts must write back as JSON that reads as an equal value and writes the same text
// again; whatever it refuses must come with an error. The scanner's other operations run over the same
// bytes and must stay inside them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "librarys/altjson/AltDataScanner.h"
#include "librarys/altjson/AltJSONDataSerializer.h"
#include "librarys/altjson/AltJSONDeserializer.h"
#include "librarys/altjson/AltJSONSerializer.h"
#include "librarys/altjson/NSCharacterSet_Extensions.h"
#include "librarys/altjson/NSScanner_Extensions.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void exerciseScanners(const core::Bytes& data) {
  AltDataScanner scanner(data);
  std::string text;
  core::Error exception;
  while (!scanner.isAtEnd()) {
    const std::size_t before = scanner.scanLocation();
    core::Value number;
    core::Decimal decimal;
    if (!scanner.scanCStyleComment(&text, &exception) && !scanner.scanCPlusPlusStyleComment(&text) &&
        !scanner.scanNumber(&number) && !scanner.scanDecimalNumber(&decimal)) {
      scanner.scanCharacter();
    }
    check(scanner.scanLocation() > before && scanner.scanLocation() <= data.size());
    (void)scanner.userInfoForScanLocation();
  }
  NSScanner_Extensions strings(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  while (!strings.isAtEnd()) {
    const std::size_t before = strings.scanLocation();
    if (!strings.scanCStyleComment(&text, &exception) && !strings.scanCPlusPlusStyleComment(&text)) {
      strings.scanCharacter();
    }
    check(strings.scanLocation() > before);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = bytes[0];
  const core::Bytes data(bytes + 1, bytes + size);

  AltJSONDeserializer deserializer;
  deserializer.scanner().setStrictEscapeCodes(flags & 1);
  if (flags & 2) deserializer.setNullObject(core::Value());
  if (flags & 4) deserializer.setAllowedEncoding(AltTextEncoding::ISOLatin1);
  if (flags & 8) deserializer.scanner().setMaxDepth(8);

  core::Error error;
  core::Value value;
  switch ((flags >> 4) % 3) {
    case 0:
      value = deserializer.deserialize(&data, &error);
      break;
    case 1:
      value = deserializer.deserializeAsDictionary(&data, &error);
      check(value.isNil() || value.isDictionary());
      break;
    default:
      value = deserializer.deserializeAsArray(&data, &error);
      check(value.isNil() || value.isArray());
      break;
  }
  if (flags & 64) exerciseScanners(data);

  if (value.isNil()) return 0;  // refused, or letters that spell no literal at the top level

  AltJSONSerializer serializer;
  serializer.setOptions(flags & 128 ? AltJSONSerializer::kEscapeSlash : 0);
  const auto text = serializer.serializeObject(value, &error);
  check(text.has_value());  // everything the reader makes can be written

  AltJSONDeserializer strict;
  core::Error againError;
  const core::Value again = strict.deserialize(&*text, &againError);
  check(again == value);
  check(serializer.serializeObject(again) == text);
  check(AltJSONDataSerializer().serializeObject(value).has_value());
  return 0;
}
