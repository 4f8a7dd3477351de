#include "cli/cli_options.h"

#include <iostream>

#include "cli/commands.h"

namespace nvx::app {

QCommandLineOption ValueOption(const char* name, const char* description, const char* valueName) {
  return QCommandLineOption(QString::fromUtf8(name), QString::fromUtf8(description),
                            QString::fromUtf8(valueName));
}

QCommandLineOption SwitchOption(const char* name, const char* description) {
  return QCommandLineOption(QString::fromUtf8(name), QString::fromUtf8(description));
}

CommandOptions::CommandOptions(std::string usage, std::string description)
    : usage_(std::move(usage)) {
  parser_.setApplicationDescription(QString::fromStdString(description));
  parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  // Qt's own help option brings --help-all, which lists Qt's options: nothing
  // a user of these commands sets.
  parser_.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                       QStringLiteral("Displays this help.")));
}

void CommandOptions::Add(const QCommandLineOption& option) { parser_.addOption(option); }

void CommandOptions::AddPositional(const std::string& name, const std::string& description) {
  parser_.addPositionalArgument(QString::fromStdString(name), QString::fromStdString(description));
}

std::optional<int> CommandOptions::Parse(const std::string& command,
                                         const std::vector<std::string>& args) {
  QStringList words{QString::fromStdString("nvxprint " + command)};
  for (const std::string& arg : args) words << QString::fromStdString(arg);
  if (!parser_.parse(words)) {
    std::cerr << "nvxprint " << command << ": " << parser_.errorText().toStdString() << "\n"
              << "Run 'nvxprint " << command << " --help' for the options.\n";
    return kExitUsage;
  }
  if (parser_.isSet("help")) {
    // Qt's own help names the program by argv[0]; ours reads better.
    std::string help = parser_.helpText().toStdString();
    std::size_t firstLineEnd = help.find('\n');
    std::cout << "Usage: " << usage_ << help.substr(firstLineEnd);
    return kExitOk;
  }
  return std::nullopt;
}

bool CommandOptions::IsSet(const std::string& name) const {
  return parser_.isSet(QString::fromStdString(name));
}

std::string CommandOptions::Value(const std::string& name) const {
  return parser_.value(QString::fromStdString(name)).toStdString();
}

std::vector<std::string> CommandOptions::Positionals() const {
  std::vector<std::string> out;
  for (const QString& word : parser_.positionalArguments()) out.push_back(word.toStdString());
  return out;
}

}  // namespace nvx::app
