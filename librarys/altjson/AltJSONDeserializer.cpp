#include "librarys/altjson/AltJSONDeserializer.h"

#include "platform/runloop/RunLoop.h"

std::shared_ptr<AltJSONDeserializer> AltJSONDeserializer::deserializer() {
  return std::make_shared<AltJSONDeserializer>();
}

core::Value AltJSONDeserializer::run(AltJSONScanner& scanner, const core::Bytes* data, Kind kind,
                                     core::Error* error) {
  if (!data || data->empty()) {
    if (error) *error = core::Error(kErrorDomain, kErrorNothingToDeserialize);
    return {};
  }
  if (!scanner.setData(data, error)) return {};
  core::Value value;
  bool ok = false;
  switch (kind) {
    case Kind::Any:
      ok = scanner.scanJSONObject(&value, error);
      break;
    case Kind::Dictionary:
      ok = scanner.scanJSONDictionary(&value, error);
      break;
    case Kind::Array:
      ok = scanner.scanJSONArray(&value, error);
      break;
  }
  // The scanner keeps no copy of the text between calls.
  scanner.AltDataScanner::setData({});
  return ok ? value : core::Value();
}

core::Value AltJSONDeserializer::deserialize(const core::Bytes* data, core::Error* error) {
  return run(scanner_, data, Kind::Any, error);
}

core::Value AltJSONDeserializer::deserialize(std::string_view text, core::Error* error) {
  const core::Bytes data(text.begin(), text.end());
  return run(scanner_, &data, Kind::Any, error);
}

core::Value AltJSONDeserializer::deserializeAsDictionary(const core::Bytes* data, core::Error* error) {
  return run(scanner_, data, Kind::Dictionary, error);
}

core::Value AltJSONDeserializer::deserializeAsArray(const core::Bytes* data, core::Error* error) {
  return run(scanner_, data, Kind::Array, error);
}

void AltJSONDeserializer::runLater(const core::Bytes* data, Kind kind, Completion block) {
  if (!block) return;
  if (!data || data->empty()) {
    block(core::Value(), core::Error(kErrorDomain, kErrorNothingToDeserialize));
    return;
  }
  // The task scans with a scanner of its own, set up like this one, so the deserializer may be gone
  // by the time it runs.
  AltJSONScanner settings;
  settings.setStrictEscapeCodes(scanner_.strictEscapeCodes());
  settings.setNullObject(scanner_.nullObject());
  settings.setAllowedEncoding(scanner_.allowedEncoding());
  settings.setOptions(scanner_.options());
  settings.setMaxDepth(scanner_.maxDepth());
  rl::RunLoop::main().post(
      [scanner = std::move(settings), bytes = *data, kind, block = std::move(block)]() mutable {
        core::Error error;
        core::Value value = run(scanner, &bytes, kind, &error);
        std::optional<core::Error> reported;
        if (value.isNil() && !error.domain.empty()) reported = error;
        rl::RunLoop::main().post([value, reported, block = std::move(block)] { block(value, reported); });
      });
}

void AltJSONDeserializer::deserializeAsDictionary(const core::Bytes* data, Completion block) {
  runLater(data, Kind::Dictionary, std::move(block));
}

void AltJSONDeserializer::deserializeAsArray(const core::Bytes* data, Completion block) {
  runLater(data, Kind::Array, std::move(block));
}
