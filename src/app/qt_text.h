// Texts between the window's controls and the engine: paths and names are UTF-8
// inside the program.
#pragma once
#include <QString>
#include <string>

namespace quillon {

inline std::string Std(const QString& s) { return s.toUtf8().toStdString(); }
inline QString Qt8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace quillon
