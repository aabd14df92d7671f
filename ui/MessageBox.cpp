#include "ui/MessageBox.h"

#include <QMessageBox>

namespace {

MessageAnswerer& Answerer() {
    static MessageAnswerer answerer;
    return answerer;
}

QMessageBox::StandardButtons StandardButtonsOf(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MessageButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
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
                    QString::fromLatin1(APPLICATION_TITLE), text, StandardButtonsOf(buttons),
                    pOwner);
    // Escape answers a Yes/No question with No, and a Yes/No/Cancel one with Cancel.
    if (buttons == MessageButtons::YesNo) {
        box.setEscapeButton(QMessageBox::No);
    }
    return AnswerOf(box.exec());
}

void SetMessageAnswerer(MessageAnswerer answerer) {
    Answerer() = std::move(answerer);
}
