#include "job/Converter.h"

#include <sys/stat.h>

#include <new>
#include <system_error>

#include "engine/WaypointTable.h"

namespace {

enum class PathState { Missing, File, Directory };

PathState StateOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return PathState::Missing;
    }
    return S_ISDIR(status.st_mode) ? PathState::Directory : PathState::File;
}

}  // namespace

std::string SuccessMessage(const std::string& targetPath) {
    return "The operation has completed successfully (file \"" + targetPath + "\" is ready)\n";
}

CConverter::CConverter(CUserInterface* pMainDlg)
    : m_mapSourceFile(pMainDlg), m_textFile(pMainDlg), m_pMainDlg(pMainDlg) {
    m_mapSourceFile.File().SetStopFlag(&m_bStopRequested);
    m_textFile.File().SetStopFlag(&m_bStopRequested);
}

CConverter::~CConverter() {
    RequestStop();
    Wait();
}

void CConverter::Start(int nSourceKind, int nTargetKind) {
    bool bIdle = false;
    if (!m_bRunning.compare_exchange_strong(bIdle, true)) {
        return;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_nSourceKind = nSourceKind;
    m_nTargetKind = nTargetKind;
    m_bStopRequested = false;
    try {
        m_worker = std::thread(&CConverter::ThreadProc, this);
    } catch (const std::system_error&) {
        m_bRunning = false;
        m_pMainDlg->ShowMessage("Not enough memory !");
    }
}

bool CConverter::DiscardStagedTarget() {
    bool bMapSourceKept = m_mapSourceFile.File().DiscardStaging();
    bool bTextKept = m_textFile.File().DiscardStaging();
    return bMapSourceKept && bTextKept;
}

bool CConverter::Wait() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    return m_bLastResult;
}

void CConverter::ThreadProc(CConverter* pConverter) {
    bool bSucceeded = false;
    try {
        bSucceeded = pConverter->Run();
    } catch (const std::bad_alloc&) {
        // Past the table's own check: a single line of a text file too long to hold, say.
        pConverter->m_pMainDlg->ShowMessage("Not enough memory !");
    }
    pConverter->Finish();
    pConverter->m_bLastResult = bSucceeded;
    pConverter->m_bRunning = false;
}

CWaypointFile* CConverter::FileForKind(int nKind) {
    switch (nKind) {
        case KIND_TEXT:
            return &m_textFile;
        case KIND_MAPSOURCE:
            return &m_mapSourceFile;
        default:
            return nullptr;
    }
}

bool CConverter::ChooseAndOpen(CWaypointFile& file, FileRole role, bool* pbAppend,
                               std::string* pPath) {
    bool bSource = role == FileRole::Source;
    std::string title = bSource ? "Pathfolio - Open Source File" : "Pathfolio - Open Target File";
    unsigned nOpenFlags = bSource ? OPEN_SOURCE : OPEN_TARGET_CREATE;
    const char* pFilter = "";
    std::string defaultExtension;
    file.GetFilter(pFilter, defaultExtension);

    std::string path;
    if (!m_pMainDlg->ChooseFile(role, title, pFilter, defaultExtension, path)) {
        return false;
    }
    if (!bSource && m_pSource->File().IsSameFile(path)) {
        m_pMainDlg->ShowMessage("Cannot write file \"" + path + "\": it is the source file");
        return false;
    }
    bool bOpened = false;
    // A new target that another run created meanwhile is an existing one.
    do {
        if (!bSource && StateOf(path) == PathState::File) {
            switch (m_pMainDlg->AskExistingFile(path)) {
                case ExistingFileChoice::Append:
                    nOpenFlags = OPEN_TARGET_APPEND;
                    if (pbAppend != nullptr) {
                        *pbAppend = true;
                    }
                    break;
                case ExistingFileChoice::Replace:
                    nOpenFlags = OPEN_TARGET_NEW;
                    break;
                default:
                    return false;
            }
        }
        bOpened = bSource ? file.File().Open(path, nOpenFlags)
                          : file.File().OpenStaged(path, nOpenFlags);
    } while (!bOpened && !bSource && file.File().TargetAppeared());
    if (!bOpened) {
        // A wait for another run's lock that was stopped needs no message.
        if (!file.File().WasStopped()) {
            m_pMainDlg->ShowMessage("Fail to open file \"" + path + "\" (" +
                                    file.File().ErrorText() + ")");
        }
        return false;
    }
    if (pPath != nullptr) {
        *pPath = path;
    }
    return true;
}

bool CConverter::Run() {
    m_pMainDlg->EnableControl(IDC_MAPSOURCE_TO_TEXT, false);
    m_pMainDlg->EnableControl(IDC_TEXT_TO_MAPSOURCE, false);
    CWaypointTable table(m_pMainDlg);
    table.SetStopFlag(&m_bStopRequested);
    m_pSource = FileForKind(m_nSourceKind);
    m_pTarget = FileForKind(m_nTargetKind);
    if (m_pSource == nullptr || m_pTarget == nullptr || m_pSource == m_pTarget) {
        return false;
    }
    if (!ChooseAndOpen(*m_pSource, FileRole::Source, nullptr, nullptr)) {
        return false;
    }
    std::string targetPath;
    if (!ChooseAndOpen(*m_pTarget, FileRole::Target, &m_bAppend, &targetPath)) {
        return false;
    }
    return RunStages(table, targetPath);
}

bool CConverter::RunStages(CWaypointTable& table, const std::string& targetPath) {
    m_pMainDlg->EnableControl(IDC_IMPORT_LABEL, true);
    m_pMainDlg->EnableControl(IDC_EXPORT_LABEL, true);
    if (m_bAppend) {
        m_pMainDlg->CheckControl(IDC_SCAN_CHECK, true);
        m_pMainDlg->EnableControl(IDC_SCAN_LABEL, true);
        if (!m_pTarget->ReadWaypoints(table, true)) {
            return false;
        }
        ClearCounter();
    }
    m_pMainDlg->CheckControl(IDC_IMPORT_CHECK, true);
    if (!m_pSource->ReadWaypoints(table, false)) {
        return false;
    }
    ClearCounter();
    m_pMainDlg->CheckControl(IDC_EXPORT_CHECK, true);
    if (m_pTarget->File().IsWrittenInPlace()) {
        // Its first write changes it for good: from there the export runs to its end.
        if (m_bStopRequested) {
            return false;
        }
        table.SetStopFlag(nullptr);
    }
    // A stop that came after the last waypoint still keeps the target as it
    // was, unless it is too late for that.
    if (!m_pTarget->Export(table) || (m_bStopRequested && m_pTarget->File().DiscardStaging()) ||
        !m_pTarget->Commit()) {
        return false;
    }
    ClearCounter();
    m_pMainDlg->ShowMessage(SuccessMessage(targetPath));
    return true;
}

void CConverter::Finish() {
    if (m_pSource != nullptr) {
        m_pSource->Close();
    }
    if (m_pTarget != nullptr) {
        m_pTarget->Close();
    }
    if (m_bAppend) {
        m_pMainDlg->EnableControl(IDC_SCAN_LABEL, false);
        m_pMainDlg->CheckControl(IDC_SCAN_CHECK, false);
        m_bAppend = false;
    }
    m_pMainDlg->EnableControl(IDC_MAPSOURCE_TO_TEXT, true);
    m_pMainDlg->EnableControl(IDC_TEXT_TO_MAPSOURCE, true);
    m_pMainDlg->EnableControl(IDC_IMPORT_LABEL, false);
    m_pMainDlg->EnableControl(IDC_EXPORT_LABEL, false);
    m_pMainDlg->CheckControl(IDC_IMPORT_CHECK, false);
    m_pMainDlg->CheckControl(IDC_EXPORT_CHECK, false);
    ClearCounter();
    m_nSourceKind = KIND_NONE;
    m_nTargetKind = KIND_NONE;
}

void CConverter::ClearCounter() {
    m_pMainDlg->SetControlText(IDC_COUNTER, "");
}
