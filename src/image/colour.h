#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/product.h"
#include "base/result.h"
#include "image/working_image.h"
#include "lang/text_table.h"
#include "settings/settings_file.h"
#include "settings/ui_hooks.h"

namespace nvx {

// Where bare profile names are looked for, in this order: the plain folders
// (their files only), then the colour folders with everything below them.
struct ProfileSearch {
  std::vector<std::filesystem::path> folders;
  std::vector<std::filesystem::path> colourFolders;
};

// The user's and the machine's settings folders, the program folder, and the
// color/icc folders of $XDG_DATA_HOME and $XDG_DATA_DIRS.
ProfileSearch DefaultProfileSearch(const SettingsFiles& files);

// A profile as one load uses it: a file, or Little CMS's own sRGB.
struct ProfileChoice {
  std::filesystem::path path;  // empty for the built-in sRGB
  bool builtInSrgb = false;
  bool operator==(const ProfileChoice&) const = default;
};

struct ProfilePair {
  ProfileChoice in;
  ProfileChoice out;
  // Set when a generic CMYK profile stands in for the missing printer profile:
  // what the user is told about it (the front end decides where and how often).
  std::string standInNotice;
  bool operator==(const ProfilePair&) const = default;
};

// A name with a folder in it is used as given; a bare name is the first file
// of that name (letter case ignored) along the search, else the name itself.
std::filesystem::path FindProfile(std::string_view name, const ProfileSearch& search);

// The profiles of `ICM Profile In` / `ICM Profile Out`, with their defaults.
// A missing "sRGB.icm" is the built-in sRGB; a missing default printer profile
// is replaced by a generic CMYK profile of the colour folders, and the pair
// carries the notice that says so.
// `chosen` names profiles that replace the settings' for one run (the command
// line's --icc-in / --icc-out).
struct ProfileNames {
  std::string in;
  std::string out;
};
ProfilePair ResolveProfiles(const SettingsFiles& files, const ProfileSearch& search,
                            const ProfileNames& chosen = {});

// The "1 Unable to allocate memory." message, or the "2 ..." one.
Message OutOfMemoryMessage(int number);

// A colour transform built once for a profile pair and kept until another pair
// is asked for: the print's (RGBA to C M Y K) or the preview's reverse one.
class TransformCache {
 public:
  enum class Direction { ToPrinter, ToScreen };
  explicit TransformCache(Direction direction);
  ~TransformCache();
  TransformCache(const TransformCache&) = delete;
  TransformCache& operator=(const TransformCache&) = delete;

  // The transform for the pair, or null when it cannot be built (tried once per pair).
  void* Get(const ProfilePair& profiles);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Converts `count` RGBA pixels to C M Y K (4 bytes each, alpha left out) with a
// print transform of the cache: the bytes ConvertImageColours gives them.
void ConvertPixels(void* transform, const std::uint8_t* rgba, std::uint8_t* cmyk,
                   std::size_t count);

// Converts image.buffer in place from RGBA (the first 4/5 of it) to C M Y K A,
// alpha unchanged. On failure the buffer is empty and the caller tells the
// user: without a transform the failure is Kind::Failed (the caller loads the
// default settings), without memory Kind::OutOfMemory with the memory message
// (the program, or the command, ends). threads: 0 = all cores. With `cache`
// (ToPrinter) the transform is taken from it: many images converted with one
// pair build it once.
Status ConvertImageColours(WorkingImage& image, const ProfilePair& profiles, const UiHooks& hooks,
                           int threads = 0, TransformCache* cache = nullptr);

// The preview's reverse transform (printer CMYK back to screen RGB), built once
// for a profile pair and kept until a load brings another pair.
class PreviewTransformCache : public TransformCache {
 public:
  PreviewTransformCache() : TransformCache(Direction::ToScreen) {}
};

// Turns C M Y K V pixels into B G R 0 pixels through the reverse transform.
// When it cannot be built the output stays zero and the failure is "oops!
// Conversion failure" (entry 133). threads: 0 = all cores.
Status PreviewToScreen(PreviewTransformCache& cache, const ProfilePair& profiles,
                       std::span<const std::uint8_t> cmykv, std::span<std::uint8_t> bgrx,
                       const TextTable& texts, int threads = 0);

}  // namespace nvx
