// Language files: the loader on any file, and one encoded entry's round trip
// through the translators' table text (what `lang decode` and `lang encode` do).
#include "lang/language_file.h"

#include "fuzz_support.h"
#include "lang/entry_codec.h"
#include "lang/table_text.h"
#include "lang/text_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace nvx;
  const std::string_view bytes = fuzz::Bytes(data, size);
  LanguageFileContents contents = ReadLanguageFile(fuzz::WriteScratch("fuzz.lan3", bytes));
  (void)TextTableFromFile(contents);

  std::optional<LanguageEntry> entry = DecodeEntry(bytes);
  if (!entry || entry->index >= kMaxTextEntries) return 0;
  TableText table = ParseTableText(FormatTableText({&*entry, 1}));
  fuzz::Check(table.error.empty(), "a decoded entry's table text parses");
  fuzz::Check(table.entries.size() == 1 && table.entries[0] == *entry,
              "a decoded entry comes back unchanged");
  return 0;
}
