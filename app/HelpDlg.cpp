#include "app/HelpDlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/ApplicationIcon.h"

// The resources of a static library are registered by hand, outside any namespace.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace {

constexpr const char* HELP_RESOURCE = ":/pathfolio/help/pathfolio-help.html";

}  // namespace

QString CHelpDlg::HelpHtml() {
    InitHelpResources();
    QFile file(QString::fromLatin1(HELP_RESOURCE));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

CHelpDlg::CHelpDlg(QWidget* pOwner) : QDialog(pOwner), m_pBrowser(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Pathfolio Help"));
    setWindowIcon(ApplicationIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    m_pBrowser->setOpenExternalLinks(true);
    m_pBrowser->setHtml(HelpHtml());

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CHelpDlg::close);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pBrowser);
    pLayout->addWidget(pButtons);
    resize(640, 560);
}

CHelpDlg* CHelpDlg::ShowFor(QWidget* pOwner) {
    CHelpDlg* pHelp = pOwner != nullptr ? pOwner->findChild<CHelpDlg*>() : nullptr;
    if (pHelp == nullptr) {
        pHelp = new CHelpDlg(pOwner);
        if (pOwner == nullptr) {
            pHelp->setAttribute(Qt::WA_DeleteOnClose);
        }
    }
    pHelp->show();
    pHelp->raise();
    pHelp->activateWindow();
    return pHelp;
}
