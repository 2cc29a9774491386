#pragma once
// QuestionImageStep: the image step of a question page. Question texts name their images with markers,
// a file name with an image extension in square brackets ("[map1.png]"); imageTextHtml turns each marker
// into an image element over the bank's local image cache, fetching a missing image first.
//
// What a marker becomes (every occurrence of the same marker, in any letter case, alike):
//   - an image wider than 320 pixels: <img name='NAME' src='URL' width='280'  onclick='imageclick(this)'/>,
//     and imgDic() gets URL under the name's key (imageKey), once per name;
//   - a narrower image, or a cached file that does not read as an image: <img src='URL'></img>;
//   - nothing (the marker stays as it is) when the name is refused or the image cannot be had.
// URL is the image's "vdbundle://images/" URL (ui/PageResources.h): pages read the image cache only
// through it. Names that could leave the cache directory ("/", "\", "..") are refused. A missing image is fetched from imageURLBase + the name (escaped as one path segment)
// into "<cache path>.temp" and moved into the cache only when the fetch succeeded and what came reads
// as an image, so a failed or partial download never stands in the cache.
//
// Runs on any thread; an object is used by one thread at a time. Fetches are synchronous.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class QuestionImageStep {
 public:
  // Fetches `url` into the file `destination` on the calling thread: true when an answer with a success
  // status arrived whole; `sent` and `read` get the bytes moved either way.
  using Fetch = std::function<bool(const std::string& url, const std::string& destination, std::int64_t& sent,
                                   std::int64_t& read)>;

  // imageURLBase empty: images not in the cache stay markers.
  QuestionImageStep(std::string imageDirectory, std::string imageURLBase, Fetch fetch = {});

  // The text with its image markers replaced; every marker is looked at in order of appearance.
  std::string imageTextHtml(std::string_view text);

  // Name key (imageKey) -> page URL of the wide images met so far: what "imageclick" opens.
  const std::map<std::string, std::string>& imgDic() const { return imgDic_; }
  // Told the bytes of every fetch that got an answer (sent, then read).
  void setTrafficCounter(std::function<void(std::int64_t bytes)> count) { countTraffic_ = std::move(count); }

  // The key of an image name in imgDic: the name percent-escaped as UTF-8.
  static std::string imageKey(std::string_view name);
  // A name that stays inside the cache directory: not empty, no "/", "\" or "..", no NUL.
  static bool isUsableImageName(std::string_view name);
  // The page URL of a cached image, the name escaped so that it stands whole in a quoted attribute.
  static std::string imageURL(std::string_view name);
  // A synchronous HTTP GET into `destination` (the default fetch).
  static bool httpFetch(const std::string& url, const std::string& destination, std::int64_t& sent,
                        std::int64_t& read);
  // The pattern of an image marker (matched without regard to case).
  static constexpr const char* kMarkerPattern = R"(\[{1}(\S)*?\.(gif|jpg|jpeg|png|bmp)\]{1})";
  // Wider images than this are scaled down and open the image viewer on a tap.
  static constexpr std::uint32_t kWideImageWidth = 320;

 private:
  // The replacement of one marker; nullopt: keep the marker.
  std::optional<std::string> replacementFor(const std::string& name);
  bool ensureCached(const std::string& name, const std::string& path);

  std::string imageDirectory_;
  std::string imageURLBase_;
  Fetch fetch_;
  std::function<void(std::int64_t)> countTraffic_;
  std::map<std::string, std::string> imgDic_;
};
