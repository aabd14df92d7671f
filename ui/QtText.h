#pragma once

#include <QString>
#include <QStringDecoder>
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

// A message of the program: its file paths are in the system's encoding
// (UTF-8), while names and comments from files are single-byte text. Text that
// reads as UTF-8 is taken so, anything else as Latin-1.
inline QString ToDisplayText(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded =
        decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return decoder.hasError() ? ToQString(text) : decoded;
}
