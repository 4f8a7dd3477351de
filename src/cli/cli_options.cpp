#include "cli/cli_options.h"

#include <algorithm>
#include <iostream>

#include "cli/commands.h"
#include "settings/text_encoding.h"

namespace nvx::app {
namespace {

constexpr char16_t kEscapedByte = 0xDC00;

}  // namespace

QString WordText(std::string_view bytes) {
  QString text;
  std::size_t start = 0;  // of the valid UTF-8 not yet appended
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t character = 0;
    const std::size_t length = DecodeUtf8At(bytes, i, character);
    if (length > 0) {
      i += length;
      continue;
    }
    text += QString::fromUtf8(bytes.data() + start, static_cast<qsizetype>(i - start));
    text += QChar(static_cast<char16_t>(kEscapedByte + static_cast<unsigned char>(bytes[i])));
    start = ++i;
  }
  text += QString::fromUtf8(bytes.data() + start, static_cast<qsizetype>(bytes.size() - start));
  return text;
}

std::string WordBytes(const QString& text) {
  std::string bytes;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[++i].unicode()));
    } else if (unit >= kEscapedByte + 0x80 && unit <= kEscapedByte + 0xFF) {
      bytes += static_cast<char>(unit - kEscapedByte);
    } else {
      AppendUtf8(bytes, unit);
    }
  }
  return bytes;
}

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

void CommandOptions::Add(const QCommandLineOption& option) {
  const std::string name = option.names().front().toStdString();
  if (std::find(hidden_.begin(), hidden_.end(), name) == hidden_.end()) {
    parser_.addOption(option);
    return;
  }
  QCommandLineOption hidden = option;
  hidden.setFlags(QCommandLineOption::HiddenFromHelp);
  parser_.addOption(hidden);
}

void CommandOptions::HideFromHelp(std::vector<std::string> names) { hidden_ = std::move(names); }

void CommandOptions::AddPositional(const std::string& name, const std::string& description) {
  parser_.addPositionalArgument(QString::fromStdString(name), QString::fromStdString(description));
}

std::optional<int> CommandOptions::Parse(const std::string& command,
                                         const std::vector<std::string>& args) {
  QStringList words{QString::fromStdString("nvxprint " + command)};
  for (const std::string& arg : args) words << WordText(arg);
  if (!parser_.parse(words)) {
    std::cerr << "nvxprint " << command << ": " << WordBytes(parser_.errorText()) << "\n"
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
  return WordBytes(parser_.value(QString::fromStdString(name)));
}

std::vector<std::string> CommandOptions::Positionals() const {
  std::vector<std::string> out;
  for (const QString& word : parser_.positionalArguments()) out.push_back(WordBytes(word));
  return out;
}

}  // namespace nvx::app
