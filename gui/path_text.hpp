#pragma once

#include <QFile>
#include <QString>

#include <string>

namespace kestrune {

// The one place where a path crosses between Qt's text and the core's
// byte strings: file names are bytes in the system's encoding.
inline std::string toCorePath(const QString& text) { return QFile::encodeName(text).toStdString(); }
inline QString toQtPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// A length in twips (1/1440 inch) as pixels at 96 dots per inch; Qt scales
// pixels on high-density screens.
constexpr int twips(int value) { return value / 15; }

}  // namespace kestrune
