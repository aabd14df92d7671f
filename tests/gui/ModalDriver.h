#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

class QWidget;

// Answers modal dialogs from inside their own event loops.
//
// A modal exec() runs an event loop of its own, so a test cannot drive the
// dialog after calling it. The driver polls for the active modal widget and
// hands each new one to the next queued answer. A watchdog closes any modal
// widget that stays open unanswered too long and records it, so a broken case
// fails instead of hanging.
class CModalDriver : public QObject {
public:
    using Answer = std::function<void(QWidget*)>;

    explicit CModalDriver(int nWatchdogMilliseconds = 10000);

    // Queues an answer for the next modal widget that opens.
    void Then(Answer answer);
    template <class TDialog>
    void Then(std::function<void(TDialog&)> answer) {
        Then([answer](QWidget* pWidget) { answer(*qobject_cast<TDialog*>(pWidget)); });
    }

    // True when every queued answer was used.
    bool AllAnswered() const { return m_answers.empty(); }
    // The titles of the modal widgets that the watchdog had to close.
    const QStringList& Unanswered() const { return m_unanswered; }

private:
    void Poll();

    std::deque<Answer> m_answers;
    QPointer<QWidget> m_pCurrent;
    QElapsedTimer m_openFor;
    QTimer m_timer;
    int m_nWatchdogMilliseconds;
    QStringList m_unanswered;
};

// The file's bytes, or "(none)" when it cannot be read.
QByteArray ReadFile(const QString& path);
// Writes the file whole (a failure fails the test).
void WriteFile(const QString& path, const QByteArray& bytes, bool bExecutable = false);
