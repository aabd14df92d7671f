#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "files/MapSourceFile.h"
#include "files/TextWaypointFile.h"
#include "job/UserInterface.h"

constexpr int KIND_NONE = 0;
constexpr int KIND_TEXT = 1;
constexpr int KIND_MAPSOURCE = 2;

// What a job that succeeded tells the person.
std::string SuccessMessage(const std::string& targetPath);

// The conversion job: the person chooses a source and a target file, then the
// job scans the target (when appending), imports the source and exports the
// table to the target, on a worker thread of its own.
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
    explicit CConverter(CUserInterface* pMainDlg);
    // Stops a running job and waits for its worker. The interface must then
    // answer any question at once (as cancelled), or the wait would not end.
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // Starts a job on the worker thread and returns at once; does nothing while
    // one runs. Call from one thread (the one that owns the job object).
    void Start(int nSourceKind, int nTargetKind);
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
    bool Run();
    void Finish();
    CWaypointFile* FileForKind(int nKind);
    // Asks for the file and opens it; for a target, asks what to do with an existing one.
    bool ChooseAndOpen(CWaypointFile& file, FileRole role, bool* pbAppend, std::string* pPath);
    bool RunStages(CWaypointTable& table, const std::string& targetPath);
    void ClearCounter();

    CMapSourceFile m_mapSourceFile;
    CTextWaypointFile m_textFile;
    int m_nSourceKind = KIND_NONE;
    int m_nTargetKind = KIND_NONE;
    CUserInterface* m_pMainDlg;
    CWaypointFile* m_pSource = nullptr;
    CWaypointFile* m_pTarget = nullptr;
    bool m_bAppend = false;

    std::thread m_worker;
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bStopRequested{false};
    bool m_bLastResult = false;
};
