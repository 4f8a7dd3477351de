#pragma once

#include <QString>
#include <string>
#include <string_view>

// The core speaks UTF-8; Qt speaks QString.
namespace nvx::app {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string S(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace nvx::app
