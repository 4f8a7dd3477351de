// The recent-file list Lastfile.exini, as any bytes.
#include "settings/last_files.h"

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  fuzz::WriteScratch(kLastFileName, fuzz::Bytes(data, size));
  for (int slot = 0; slot <= kLastFileSlots + 1; ++slot) {
    (void)ReadLastFile(fuzz::ScratchFolder(), slot);
  }
  return 0;
}
