#include "ui/DialogStyle.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

void UseDialogStyle() {
    if (QStyle* pStyle = QStyleFactory::create(QStringLiteral("Windows"))) {
        QApplication::setStyle(pStyle);
    }
}
