#include <QTest>
#include <new>
#include <stdexcept>

#include "app/GuardedApplication.h"
#include "ui/MessageBox.h"

namespace {

// Throws from its event handler, as code out of memory would.
class CThrowingObject : public QObject {
public:
    explicit CThrowingObject(bool bOutOfMemory) : m_bOutOfMemory(bOutOfMemory) {}
    bool event(QEvent*) override {
        if (m_bOutOfMemory) {
            throw std::bad_alloc();
        }
        throw std::runtime_error("no such thing");
    }

private:
    bool m_bOutOfMemory;
};

}  // namespace

class ApplicationTest : public QObject {
    Q_OBJECT
private slots:
    // An exception that escapes an event handler is shown, and the program goes on.
    void anExceptionInAnEventHandlerBecomesAMessage() {
        QStringList messages;
        SetMessageAnswerer([&](const QString& text, MessageButtons) {
            messages << text;
            return MessageAnswer::Ok;
        });
        for (bool bOutOfMemory : {true, false}) {
            CThrowingObject object(bOutOfMemory);
            QEvent event(QEvent::User);
            QCoreApplication::sendEvent(&object, &event);
        }
        QCOMPARE(messages, QStringList({"Not enough memory !", "Pathfolio failed: no such thing"}));
        SetMessageAnswerer({});
    }
};

int main(int argc, char** argv) {
    CGuardedApplication application(argc, argv);
    ApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ApplicationTest.moc"
