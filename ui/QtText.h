#pragma once

#include <QString>
#include <string>
#include <string_view>

// The engine's text is single-byte (Latin-1 here); these carry it to and from
// the widgets. A character that Latin-1 lacks becomes '?'.
inline QString ToQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToBytes(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}
