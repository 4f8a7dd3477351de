#include "image/colour.h"

#include <lcms2.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <new>
#include <optional>
#include <system_error>

#include "base/text.h"
#include "image/parallel_rows.h"
#include "lang/text_entries.h"
#include "platform/folders.h"
#include "settings/settings_keys.h"

namespace nvx {
namespace {

namespace fs = std::filesystem;

// Generic CMYK profiles that stand in for the printer maker's profile, best first
// (Debian's libgs-common installs both).
constexpr std::string_view kStandInProfiles[] = {"default_cmyk.icc", "ps_cmyk.icc"};
constexpr std::string_view kStandInBefore = "The printer profile ";
constexpr std::string_view kStandInAfter = " is not installed; colours are converted with ";

// Pixels converted per block: small enough for per-thread temporaries, large
// enough that starting the threads costs nothing worth measuring.
constexpr std::size_t kBlockPixels = 128 * 1024;

using ProfileHandle = std::unique_ptr<void, decltype(&cmsCloseProfile)>;
using TransformHandle = std::unique_ptr<void, decltype(&cmsDeleteTransform)>;

std::vector<fs::path> EnvironmentFolders(const char* variable, std::string_view fallback) {
  const char* value = std::getenv(variable);
  std::string_view list = value && *value ? std::string_view(value) : fallback;
  std::vector<fs::path> folders;
  while (!list.empty()) {
    std::size_t colon = list.find(':');
    std::string_view entry = list.substr(0, colon);
    if (!entry.empty()) folders.emplace_back(entry);
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  return folders;
}

std::vector<fs::path> SystemColourFolders() {
  std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  std::string dataHome = home.empty() ? std::string() : home + "/.local/share";
  std::vector<fs::path> roots = EnvironmentFolders("XDG_DATA_HOME", dataHome);
  for (fs::path& dir : EnvironmentFolders("XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
    roots.push_back(std::move(dir));
  }
  std::vector<fs::path> folders;
  for (const fs::path& root : roots) folders.push_back(root / "color" / "icc");
  return folders;
}

bool IsFileNamed(const fs::directory_entry& entry, std::string_view lowerName) {
  std::error_code ec;
  return entry.is_regular_file(ec) && AsciiLower(entry.path().filename().string()) == lowerName;
}

std::optional<fs::path> FindInFolder(const fs::path& folder, std::string_view lowerName) {
  std::error_code ec;
  std::optional<fs::path> best;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (IsFileNamed(*it, lowerName) && (!best || it->path() < *best)) best = it->path();
  }
  return best;
}

// The smallest matching path, so the choice does not depend on directory order.
std::optional<fs::path> FindBelow(const fs::path& folder, std::string_view lowerName) {
  std::error_code ec;
  std::optional<fs::path> best;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    if (IsFileNamed(*it, lowerName) && (!best || it->path() < *best)) best = it->path();
  }
  return best;
}

bool IsBareName(std::string_view name) {
  fs::path path(name);
  return !name.empty() && path.filename() == path;
}

std::optional<fs::path> Locate(std::string_view name, const ProfileSearch& search) {
  if (!IsBareName(name)) return fs::path(name);
  std::string lowerName = AsciiLower(name);
  for (const fs::path& folder : search.folders) {
    if (auto found = FindInFolder(folder, lowerName)) return found;
  }
  for (const fs::path& folder : search.colourFolders) {
    if (auto found = FindBelow(folder, lowerName)) return found;
  }
  return std::nullopt;
}

std::optional<fs::path> FindStandIn(const ProfileSearch& search) {
  for (std::string_view name : kStandInProfiles) {
    for (const fs::path& folder : search.colourFolders) {
      if (auto found = FindBelow(folder, name)) return found;
    }
  }
  return std::nullopt;
}

std::string StandInNotice(std::string_view replaced, const fs::path& standIn) {
  return std::string(kStandInBefore) + std::string(replaced) + std::string(kStandInAfter) +
         standIn.string() + ".";
}

std::string ProfileName(const SettingsFiles& files, std::string_view key,
                        std::string_view fallback) {
  std::string name = ReadSetting(files, keys::kActive, key);
  return name.empty() ? std::string(fallback) : name;
}

ProfileHandle OpenProfile(const ProfileChoice& choice) {
  cmsHPROFILE profile = choice.builtInSrgb ? cmsCreate_sRGBProfile()
                                           : cmsOpenProfileFromFile(choice.path.c_str(), "r");
  return ProfileHandle(profile, &cmsCloseProfile);
}

// NOCACHE keeps the transform free of per-call state, so threads can share it.
TransformHandle BuildTransform(const ProfileChoice& from, cmsUInt32Number fromFormat,
                               const ProfileChoice& to, cmsUInt32Number toFormat) {
  TransformHandle none(nullptr, &cmsDeleteTransform);
  ProfileHandle source = OpenProfile(from);
  if (!source) return none;
  ProfileHandle target = OpenProfile(to);
  if (!target) return none;
  return TransformHandle(cmsCreateTransform(source.get(), fromFormat, target.get(), toFormat,
                                            INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE),
                         &cmsDeleteTransform);
}

struct PixelBlock {
  std::size_t first = 0;
  std::size_t count = 0;
};

// Reads a block's RGBA into its temporary: the CMYK result, then the alphas.
void TransformBlock(cmsHTRANSFORM transform, const std::uint8_t* buffer, PixelBlock block,
                    std::uint8_t* temp) {
  const std::uint8_t* rgba = buffer + 4 * block.first;
  cmsDoTransform(transform, rgba, temp, static_cast<cmsUInt32Number>(block.count));
  std::uint8_t* alpha = temp + 4 * block.count;
  for (std::size_t i = 0; i < block.count; ++i) alpha[i] = rgba[4 * i + 3];
}

void StoreBlock(std::uint8_t* buffer, PixelBlock block, const std::uint8_t* temp) {
  std::uint8_t* out = buffer + 5 * block.first;
  const std::uint8_t* alpha = temp + 4 * block.count;
  for (std::size_t i = 0; i < block.count; ++i) {
    std::copy_n(temp + 4 * i, 4, out + 5 * i);
    out[5 * i + 4] = alpha[i];
  }
}

// The 5-byte result of pixel i lands at 5i, at or after the 4-byte input of
// pixel i, so blocks are done from the last to the first. Blocks go in waves,
// one block per thread: a wave's blocks are all read before any is stored, and
// its stores reach only input of this wave or of waves already done.
void ConvertInPlace(cmsHTRANSFORM transform, RasterBytes& buffer, int width, int height,
                    int threads, const UiHooks& hooks) {
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  const std::size_t blockRows = std::max<std::size_t>(1, kBlockPixels / width);
  const std::size_t blockPixels = blockRows * width;
  const std::size_t blocks = (pixels + blockPixels - 1) / blockPixels;
  const std::size_t perWave = std::min<std::size_t>(WorkerThreads(threads), blocks);
  std::vector<std::vector<std::uint8_t>> temps(perWave, std::vector<std::uint8_t>(blockPixels * 5));
  auto blockAt = [&](std::size_t index) {
    std::size_t first = index * blockPixels;
    return PixelBlock{first, std::min(blockPixels, pixels - first)};
  };
  std::uint8_t* data = buffer.data();
  for (std::size_t end = blocks; end > 0;) {
    const std::size_t begin = end - std::min(end, perWave);
    const int count = static_cast<int>(end - begin);
    ForEachRowBlock(count, 1, threads, [&](int first, int last) {
      for (int i = first; i < last; ++i) {
        TransformBlock(transform, data, blockAt(begin + i), temps[i].data());
      }
    });
    ForEachRowBlock(count, 1, threads, [&](int first, int last) {
      for (int i = first; i < last; ++i) StoreBlock(data, blockAt(begin + i), temps[i].data());
    });
    end = begin;
    hooks.Progress(static_cast<int>((blocks - end) * 100 / blocks));
  }
}

Failure DropImage(WorkingImage& image, Failure failure) {
  image.buffer.clear();
  image.buffer.shrink_to_fit();
  return failure;
}

Failure NoTransform(WorkingImage& image) {
  return DropImage(image, Fail("The image's colours could not be converted with these profiles."));
}

}  // namespace

ProfileSearch DefaultProfileSearch(const SettingsFiles& files) {
  return ProfileSearch{{files.userFolder, files.machineFolder, platform::ProgramFolder()},
                       SystemColourFolders()};
}

fs::path FindProfile(std::string_view name, const ProfileSearch& search) {
  return Locate(name, search).value_or(fs::path(name));
}

ProfilePair ResolveProfiles(const SettingsFiles& files, const ProfileSearch& search,
                            const ProfileNames& chosen) {
  const std::string inName =
      chosen.in.empty() ? ProfileName(files, keys::kIcmProfileIn, kDefaultProfileIn) : chosen.in;
  // A printer profile the user named for this run stands as named: the stand-in
  // for the missing default is never announced for it.
  const bool outFromSettings = chosen.out.empty();
  const std::string outName =
      outFromSettings ? ProfileName(files, keys::kIcmProfileOut, kDefaultProfileOut) : chosen.out;
  ProfilePair pair;
  if (auto found = Locate(inName, search)) {
    pair.in.path = *found;
  } else if (EqualsIgnoreCase(inName, kDefaultProfileIn)) {
    pair.in.builtInSrgb = true;  // Little CMS's sRGB is what that file holds
  } else {
    pair.in.path = inName;
  }
  if (auto found = Locate(outName, search)) {
    pair.out.path = *found;
  } else if (auto standIn = outFromSettings && EqualsIgnoreCase(outName, kDefaultProfileOut)
                                ? FindStandIn(search)
                                : std::nullopt) {
    pair.out.path = *standIn;
    pair.standInNotice = StandInNotice(outName, *standIn);
  } else {
    pair.out.path = outName;
  }
  return pair;
}

Message OutOfMemoryMessage(int number) {
  return Message{std::string(kProductTitle),
                 std::to_string(number) + std::string(kOutOfMemoryLines), MessageIcon::Error};
}

void ConvertPixels(void* transform, const std::uint8_t* rgba, std::uint8_t* cmyk,
                   std::size_t count) {
  cmsDoTransform(transform, rgba, cmyk, static_cast<cmsUInt32Number>(count));
}

Status ConvertImageColours(WorkingImage& image, const ProfilePair& profiles, const UiHooks& hooks,
                           int threads, TransformCache* cache) {
  const std::size_t pixels =
      static_cast<std::size_t>(std::max(0, image.widthPx)) * std::max(0, image.heightPx);
  if (pixels == 0 || image.buffer.size() != pixels * 5) return NoTransform(image);
  TransformHandle own{nullptr, &cmsDeleteTransform};
  if (!cache) own = BuildTransform(profiles.in, TYPE_RGBA_8, profiles.out, TYPE_CMYK_8);
  void* transform = cache ? cache->Get(profiles) : own.get();
  if (!transform) return NoTransform(image);
  try {
    ConvertInPlace(transform, image.buffer, image.widthPx, image.heightPx, threads, hooks);
  } catch (const std::bad_alloc&) {
    return DropImage(image, OutOfMemory(OutOfMemoryMessage(1).text));
  }
  return {};
}

struct TransformCache::State {
  Direction direction;
  ProfilePair profiles;
  bool tried = false;
  TransformHandle transform{nullptr, &cmsDeleteTransform};
};

TransformCache::TransformCache(Direction direction)
    : state_(std::make_unique<State>(State{direction, {}, false, {nullptr, &cmsDeleteTransform}})) {
}
TransformCache::~TransformCache() = default;

void* TransformCache::Get(const ProfilePair& profiles) {
  if (!state_->tried || !(state_->profiles == profiles)) {
    state_->transform = state_->direction == Direction::ToPrinter
                            ? BuildTransform(profiles.in, TYPE_RGBA_8, profiles.out, TYPE_CMYK_8)
                            : BuildTransform(profiles.out, TYPE_CMYKA_8, profiles.in, TYPE_BGRA_8);
    state_->profiles = profiles;
    state_->tried = true;
  }
  return state_->transform.get();
}

Status PreviewToScreen(PreviewTransformCache& cache, const ProfilePair& profiles,
                       std::span<const std::uint8_t> cmykv, std::span<std::uint8_t> bgrx,
                       const TextTable& texts, int threads) {
  std::fill(bgrx.begin(), bgrx.end(), std::uint8_t{0});
  const int pixels = static_cast<int>(std::min(cmykv.size() / 5, bgrx.size() / 4));
  cmsHTRANSFORM transform = cache.Get(profiles);
  if (!transform) return Fail(texts[entry::kPreviewFailure]);
  constexpr int kChunk = 16 * 1024;
  const int chunks = (pixels + kChunk - 1) / kChunk;
  ForEachRowBlock(chunks, 1, threads, [&](int first, int last) {
    for (int chunk = first; chunk < last; ++chunk) {
      const int begin = chunk * kChunk;
      const int count = std::min(kChunk, pixels - begin);
      cmsDoTransform(transform, cmykv.data() + 5 * static_cast<std::size_t>(begin),
                     bgrx.data() + 4 * static_cast<std::size_t>(begin), count);
    }
  });
  return {};
}

}  // namespace nvx
