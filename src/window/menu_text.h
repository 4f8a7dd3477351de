#pragma once

#include <QString>
#include <set>
#include <string_view>

#include "lang/text_table.h"

namespace nvx::app {

// Menu texts for one menu: every entry gets a mnemonic, the language's own "&"
// where it has one, else the first letter not yet taken in that menu.
class MenuText {
 public:
  explicit MenuText(const TextTable& table) : table_(&table) {}

  // The entry's text, or `fallback` when the language leaves it empty (entry -1: always).
  QString Entry(int entry, std::string_view fallback = {});
  QString Menu(int entry, std::string_view fallback) { return Entry(entry, fallback); }

 private:
  const TextTable* table_;
  std::set<QChar> taken_;
};

// `text` with a mnemonic on the first letter not in `taken` (which it extends);
// a text that already has one keeps it.
QString WithMnemonic(const QString& text, std::set<QChar>& taken);

}  // namespace nvx::app
