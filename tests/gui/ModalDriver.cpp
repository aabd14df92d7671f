#include "tests/gui/ModalDriver.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTest>
#include <QWidget>

CModalDriver::CModalDriver(int nWatchdogMilliseconds)
    : m_nWatchdogMilliseconds(nWatchdogMilliseconds) {
    connect(&m_timer, &QTimer::timeout, this, &CModalDriver::Poll);
    m_timer.start(10);
}

void CModalDriver::Then(Answer answer) {
    m_answers.push_back(std::move(answer));
}

void CModalDriver::Poll() {
    QWidget* pModal = QApplication::activeModalWidget();
    if (pModal == nullptr) {
        return;
    }
    if (pModal != m_pCurrent) {
        m_pCurrent = pModal;
        m_openFor.start();
        if (!m_answers.empty()) {
            Answer answer = std::move(m_answers.front());
            m_answers.pop_front();
            answer(pModal);
            return;
        }
    }
    if (m_openFor.elapsed() > m_nWatchdogMilliseconds) {
        m_unanswered << pModal->windowTitle();
        if (auto* pDialog = qobject_cast<QDialog*>(pModal)) {
            pDialog->reject();
        } else {
            pModal->close();
        }
        m_pCurrent = nullptr;
    }
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void WriteFile(const QString& path, const QByteArray& bytes, bool bExecutable) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    QVERIFY(!bExecutable || file.setPermissions(file.permissions() | QFile::ExeOwner));
}
