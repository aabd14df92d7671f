#pragma once

#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

// The engine's text is UTF-8; these carry it to and from the widgets. Bytes
// that are not UTF-8 (a file path, a template name stored by an older
// program) are shown as Latin-1.
inline QString ToQString(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded =
        decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return decoder.hasError()
               ? QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()))
               : decoded;
}

inline std::string ToBytes(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A message of the program, with file paths and names from files.
inline QString ToDisplayText(std::string_view text) {
    return ToQString(text);
}
