#include "ui/ApplicationIcon.h"

#include <QString>

static void InitUiResources() {
    Q_INIT_RESOURCE(ui);
}

QIcon ApplicationIcon() {
    static const QIcon icon = [] {
        InitUiResources();
        QIcon built;
        for (const int nSize : {16, 24, 32, 48, 64, 128, 256}) {
            built.addFile(QStringLiteral(":/pathfolio/pathfolio-%1.png").arg(nSize),
                          QSize(nSize, nSize));
        }
        return built;
    }();
    return icon;
}
