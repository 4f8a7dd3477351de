// A preset file of any bytes, loaded for one run: it must load or be refused,
// and what it leaves in the session must stay within the controls' ranges.
#include <cstdint>
#include <cstdlib>

#include "fuzz_session.h"
#include "job/presets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using nvx::fuzz::Check;
  nvx::PrintSession& session = nvx::fuzz::Session();
  const std::filesystem::path preset =
      nvx::fuzz::WriteScratch("input.svcfg", nvx::fuzz::Bytes(data, size));
  (void)ReadPreset(session, preset, nvx::PresetScope::ThisRun);
  const nvx::LiveSettings& live = session.live;
  Check(live.whiteChokeMm >= 0 && live.whiteChokeMm <= 2, "white choke within 0..2 mm");
  Check(live.copies >= 1 && live.copies <= 99, "copies within 1..99");
  return 0;
}
