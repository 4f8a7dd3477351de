#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nvx::app {

// A word of the command line as Qt's text and back, byte for byte. Words are
// bytes, file names among them, and need not be UTF-8: a byte that is not part
// of a UTF-8 character travels as the lone surrogate U+DC80 + byte, which no
// UTF-8 text can hold, and comes back as that byte.
QString WordText(std::string_view bytes);
std::string WordBytes(const QString& text);

// One command's options, parsed with Qt's parser. Parse() prints the help or
// the error itself and then gives the exit status to end with.
// An option that takes a value, e.g. --to FILE.
QCommandLineOption ValueOption(const char* name, const char* description, const char* valueName);
// A switch without a value, e.g. --mirror.
QCommandLineOption SwitchOption(const char* name, const char* description);

class CommandOptions {
 public:
  CommandOptions(std::string usage, std::string description);

  void Add(const QCommandLineOption& option);
  // Options added after this with one of these names are still parsed but
  // left out of --help (a command that refuses them itself).
  void HideFromHelp(std::vector<std::string> names);
  void AddPositional(const std::string& name, const std::string& description);

  // nullopt: go on; a value: the command ends with that exit status.
  std::optional<int> Parse(const std::string& command, const std::vector<std::string>& args);

  bool IsSet(const std::string& name) const;
  std::string Value(const std::string& name) const;
  std::vector<std::string> Positionals() const;

 private:
  std::string usage_;
  QCommandLineParser parser_;
  std::vector<std::string> hidden_;
};

}  // namespace nvx::app
