#include "ui/MessageBox.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

namespace {

MessageAnswerer& Answerer() {
    static MessageAnswerer answerer;
    return answerer;
}

QMessageBox::StandardButtons StandardButtonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

// Joins the characters of every double-quoted part of the text (a file's path,
// a name), its quotes included, with word joiners, and makes its spaces
// non-breaking: the box then breaks lines only between the words around it.
QString KeepQuotedPartsWhole(const QString& text) {
    constexpr char16_t WORD_JOINER = 0x2060;
    constexpr char16_t NO_BREAK_SPACE = 0x00A0;
    QString joined;
    bool bQuoted = false;
    for (const QChar c : text) {
        bQuoted = bQuoted != (c == QLatin1Char('"'));  // each quote opens or closes a part
        joined += bQuoted && c == QLatin1Char(' ') ? QChar(NO_BREAK_SPACE) : c;
        if (bQuoted && !c.isHighSurrogate()) {
            joined += QChar(WORD_JOINER);
        }
    }
    return joined;
}

// Widens the box's text to hold the longest quoted part on one line, as far as
// the screen allows: a box narrower than a path would have to break it.
void MakeRoomForQuotedParts(QMessageBox& box, const QString& text) {
    auto* pLabel = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    if (pLabel == nullptr || pScreen == nullptr) {
        return;
    }
    int nWidest = 0;
    const QStringList parts = text.split(QLatin1Char('"'));
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        nWidest = std::max(nWidest, pLabel->fontMetrics().horizontalAdvance(
                                        QLatin1Char('"') + parts[i] + QStringLiteral("\" xx")));
    }
    pLabel->setMinimumWidth(std::min(nWidest, pScreen->availableGeometry().width() * 3 / 4));
}

MessageAnswer AnswerOf(int nButton) {
    switch (nButton) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        default:
            return MessageAnswer::Ok;
    }
}

}  // namespace

MessageAnswer ShowMessageBox(QWidget* pOwner, const QString& text, MessageButtons buttons) {
    if (Answerer()) {
        return Answerer()(text, buttons);
    }
    const bool bQuestion = buttons != MessageButtons::Ok;
    QMessageBox box(bQuestion ? QMessageBox::Question : QMessageBox::Information,
                    QString::fromLatin1(APPLICATION_TITLE), KeepQuotedPartsWhole(text),
                    StandardButtonsOf(buttons), pOwner);
    MakeRoomForQuotedParts(box, text);
    // Escape answers a Yes/No question with No, and a Yes/No/Cancel one with Cancel.
    if (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoDefaultNo) {
        box.setEscapeButton(QMessageBox::No);
    }
    if (buttons == MessageButtons::YesNoDefaultNo) {
        box.setDefaultButton(QMessageBox::No);
    }
    return AnswerOf(box.exec());
}

void SetMessageAnswerer(MessageAnswerer answerer) {
    Answerer() = std::move(answerer);
}
