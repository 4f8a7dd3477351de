// The whole load of any file, decoders in their child process: whatever the
// bytes, the load ends with an image or a message, and an image has its size.
#include "image/intake.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  static const SettingsFiles settings{fuzz::ScratchFolder() / "user",
                                      fuzz::ScratchFolder() / "machine"};
  static const TextTable texts = DefaultTextTable();
  std::filesystem::create_directories(settings.userFolder);
  const std::filesystem::path file = fuzz::WriteScratch("image", fuzz::Bytes(data, size));
  Result<LoadedImage> result =
      LoadImageFile(file.string(), {false, true, 571, 817}, settings, texts, {});
  if (result.ok()) {
    const WorkingImage& image = result->image;
    fuzz::Check(image.buffer.size() == 5ull * image.widthPx * image.heightPx, "buffer size");
  } else {
    fuzz::Check(!result.failure().message.empty(), "a failed load says why");
  }
  return 0;
}
