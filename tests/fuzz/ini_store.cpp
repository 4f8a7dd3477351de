// The settings files' INI store: parse, look up, change, write back.
#include "fuzz_support.h"
#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  IniDocument document = ParseIni(fuzz::Bytes(data, size));
  (void)FindIniValue(document, "Active", "Crop");
  SetIniValue(document, "Active", "Crop", "1");
  fuzz::Check(FindIniValue(document, "Active", "Crop") == "1", "a value set reads back");
  const std::string written = SerializeIni(document);
  fuzz::Check(FindIniValue(ParseIni(written), "Active", "Crop") == "1",
              "a value set survives writing and reading");
  (void)RemoveIniValue(document, "Active", "Crop");
  return 0;
}
