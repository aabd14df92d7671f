#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "job/ConversionRequest.h"
#include "job/UserInterface.h"

// What a job that succeeded tells the person.
std::string SuccessMessage(const std::string& targetPath);

// The conversion job: runs one request on a worker thread of its own, in up
// to three stages (scan the target when appending, import the source, export
// to the target), reporting to and asking the person through CUserInterface.
//
// The target is never changed before the export has succeeded: it is written
// to a temporary file beside it that replaces it at the end of a successful
// run, and is removed otherwise (a target whose directory may not be written
// is written in place, after the import). An existing target is locked from
// before the scan to the end of the job; a second job on it waits. A target
// that is the source file itself is refused.
class CConverter {
public:
    // The interface must outlive the job object.
    explicit CConverter(CUserInterface* pUserInterface);
    // Stops a running job and waits for its worker. The interface must then
    // answer any question at once (as cancelled), or the wait would not end.
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Starts a job for the request on the worker thread and returns at once;
    // false, with nothing started, while a job runs or when no thread can be
    // had (then the person is told). Call from one thread (the one that owns
    // the job object).
    bool Start(const ConversionRequest& request);
    // Waits for the worker; true when the last job succeeded.
    bool Wait();
    // The running job stops at its next waypoint, as if the person had chosen
    // Abort. Safe from any thread and from a signal handler.
    void RequestStop() { m_bStopRequested = true; }
    bool IsRunning() const { return m_bRunning; }
    // Safe from any thread: removes the temporary file of the running job's
    // target at once, for a program that ends without waiting for the job.
    // The target then stays as it was; false when that is too late (it was
    // renamed over or written in place already).
    bool DiscardStagedTarget();

private:
    static void ThreadProc(CConverter* pConverter);
    Status Run();
    // How to open the target: created when there is none, else appended to or
    // replaced; stopped when the person chose neither.
    Status DecideOnExistingTarget(unsigned& nOpenFlags);
    Status OpenTarget();
    Status RunStages(CWaypointTable& table);
    void Finish(const Status& status);

    CUserInterface* m_pUserInterface;
    ConversionRequest m_request;
    // Made by Start for each job and kept until the next, so that another
    // thread may discard the staged target while the worker runs.
    std::unique_ptr<CWaypointFile> m_pSource;
    std::unique_ptr<CWaypointFile> m_pTarget;
    bool m_bAppend = false;

    std::thread m_worker;
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bStopRequested{false};
    bool m_bLastResult = false;
    CRunSummary m_summary;  // of the last job
};
