#include "window/menu_text.h"

namespace nvx::app {

namespace {

// The position of the mnemonic "&" in `text`, or -1; "&&" is a literal "&".
qsizetype MnemonicAt(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] != QLatin1Char('&')) return i;
    ++i;
  }
  return -1;
}

}  // namespace

QString WithMnemonic(const QString& text, std::set<QChar>& taken) {
  QString plain = text;
  if (const qsizetype at = MnemonicAt(text); at >= 0) {
    if (taken.insert(text[at + 1].toLower()).second) return text;
    plain.remove(at, 1);  // the language gave two entries one letter: move this one
  }
  for (qsizetype i = 0; i < plain.size(); ++i) {
    if (plain[i] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    const QChar c = plain[i].toLower();
    if (c.isLetterOrNumber() && taken.insert(c).second) {
      return plain.left(i) + QLatin1Char('&') + plain.mid(i);
    }
  }
  return plain;
}

QString MenuText::Entry(int entry, std::string_view fallback) {
  const std::string& own = entry >= 0 ? (*table_)[static_cast<std::size_t>(entry)] : std::string();
  const std::string_view text = own.empty() ? fallback : std::string_view(own);
  return WithMnemonic(QString::fromUtf8(text.data(), qsizetype(text.size())), taken_);
}

}  // namespace nvx::app
