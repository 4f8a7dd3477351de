#pragma once

#include <QFile>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

// The core speaks UTF-8; Qt speaks QString.
namespace nvx::app {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string S(const QString& text) { return text.toUtf8().toStdString(); }

// A file name that Qt gives (a file dialog's) as the file system's bytes, the
// way Qt's own file functions turn it: a name need not be UTF-8.
inline std::filesystem::path FilePath(const QString& name) {
  return QFile::encodeName(name).toStdString();
}

}  // namespace nvx::app
