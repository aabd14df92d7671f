#include "job/Converter.h"

#include <sys/stat.h>

#include <new>
#include <system_error>

namespace {

bool IsExistingFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

}  // namespace

std::string SuccessMessage(const std::string& targetPath) {
    return "The operation has completed successfully (file \"" + targetPath + "\" is ready)\n";
}

CConverter::CConverter(CUserInterface* pUserInterface) : m_pUserInterface(pUserInterface) {}

CConverter::~CConverter() {
    RequestStop();
    Wait();
}

bool CConverter::Start(const ConversionRequest& request) {
    bool bIdle = false;
    if (!m_bRunning.compare_exchange_strong(bIdle, true)) {
        return false;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_request = request;
    m_summary = CRunSummary();
    m_bStopRequested = false;
    try {
        m_pSource = InfoOf(request.source.kind).Create(m_pUserInterface, request.source.options);
        m_pTarget = InfoOf(request.target.kind).Create(m_pUserInterface, request.target.options);
        m_pSource->File().SetStopFlag(&m_bStopRequested);
        m_pTarget->File().SetStopFlag(&m_bStopRequested);
        m_worker = std::thread(&CConverter::ThreadProc, this);
    } catch (const std::exception&) {  // no memory, or no thread
        m_bRunning = false;
        m_pUserInterface->ShowMessage(MessageKind::Failure, "Not enough memory !");
        m_pUserInterface->JobEnded(false);
        return false;
    }
    return true;
}

bool CConverter::DiscardStagedTarget() {
    return m_pTarget == nullptr || m_pTarget->File().DiscardStaging();
}

bool CConverter::Wait() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    return m_bLastResult;
}

void CConverter::ThreadProc(CConverter* pConverter) {
    Status status;
    try {
        status = pConverter->Run();
    } catch (const std::bad_alloc&) {
        // Past the table's own check: a single line of a text file too long to hold, say.
        status = Status::Failed("Not enough memory !");
    } catch (const std::exception& failure) {
        status = Status::Failed(std::string("The conversion failed: ") + failure.what());
    }
    pConverter->Finish(status);
}

Status CConverter::Run() {
    if (m_request.source.kind == m_request.target.kind) {
        return Status::Failed("The source and the target must be files of different kinds");
    }
    if (Status status = m_pSource->OpenSource(m_request.source.path); !status.IsOk()) {
        return status;
    }
    const std::string& targetPath = m_request.target.path;
    if (m_pSource->File().IsSameFile(targetPath)) {
        return Status::Failed("Cannot write file \"" + targetPath + "\": it is the source file");
    }
    if (Status status = OpenTarget(); !status.IsOk()) {
        return status;
    }
    CWaypointTable table(m_pUserInterface);
    table.SetStopFlag(&m_bStopRequested);
    for (int nError = 0; nError < WAYPOINT_ERROR_COUNT; ++nError) {
        if (m_request.answers[nError] != Resolution::None) {
            table.m_policies[nError] = {m_request.answers[nError], true};
        }
    }
    Status status = RunStages(table);
    m_summary = table.Summary();
    return status;
}

// A new target that another run created meanwhile is an existing one: the
// decision is taken again.
Status CConverter::OpenTarget() {
    for (;;) {
        unsigned nOpenFlags = OPEN_TARGET_CREATE;
        if (Status status = DecideOnExistingTarget(nOpenFlags); !status.IsOk()) {
            return status;
        }
        m_bAppend = nOpenFlags == OPEN_TARGET_APPEND;
        Status status = m_pTarget->OpenTarget(m_request.target.path, nOpenFlags);
        if (status.IsOk() || !m_pTarget->File().TargetAppeared()) {
            return status;
        }
    }
}

Status CConverter::DecideOnExistingTarget(unsigned& nOpenFlags) {
    nOpenFlags = OPEN_TARGET_CREATE;
    if (!IsExistingFile(m_request.target.path)) {
        return Status();
    }
    nOpenFlags = OPEN_TARGET_NEW;
    switch (m_request.existingTarget) {
        case ExistingTarget::Replace:
            return Status();
        case ExistingTarget::Append:
            nOpenFlags = OPEN_TARGET_APPEND;
            return Status();
        case ExistingTarget::Ask:
            break;
    }
    switch (m_pUserInterface->AskExistingFile(m_request.target.path)) {
        case ExistingFileChoice::Append:
            nOpenFlags = OPEN_TARGET_APPEND;
            return Status();
        case ExistingFileChoice::Replace:
            return Status();
        default:
            return Status::Stopped();
    }
}

Status CConverter::RunStages(CWaypointTable& table) {
    if (m_bAppend) {
        m_pUserInterface->StageStarted(Stage::ScanTarget);
        if (Status status = m_pTarget->ReadWaypoints(table, true); !status.IsOk()) {
            return status;
        }
        m_pUserInterface->StageEnded(Stage::ScanTarget);
    }
    m_pUserInterface->StageStarted(Stage::ImportSource);
    if (Status status = m_pSource->ReadWaypoints(table, false); !status.IsOk()) {
        return status;
    }
    m_pUserInterface->StageEnded(Stage::ImportSource);
    m_pUserInterface->StageStarted(Stage::ExportTarget);
    if (m_pTarget->File().IsWrittenInPlace()) {
        // Its first write changes it for good: from there the export runs to its end.
        if (m_bStopRequested) {
            return Status::Stopped();
        }
        table.SetStopFlag(nullptr);
    }
    if (Status status = m_pTarget->Export(table); !status.IsOk()) {
        return status;
    }
    // A stop that came after the last waypoint still keeps the target as it
    // was, unless it is too late for that.
    if (m_bStopRequested && m_pTarget->File().DiscardStaging()) {
        return Status::Stopped();
    }
    if (Status status = m_pTarget->Commit(); !status.IsOk()) {
        return status;
    }
    m_pUserInterface->StageEnded(Stage::ExportTarget);
    return Status();
}

void CConverter::Finish(const Status& status) {
    if (status.IsOk()) {
        m_pUserInterface->ShowMessage(MessageKind::Success, SuccessMessage(m_request.target.path) +
                                                                DescribeSummary(m_summary));
    } else if (status.IsFailed()) {
        m_pUserInterface->ShowMessage(MessageKind::Failure, status.Message());
    }
    m_pSource->Close();
    m_pTarget->Close();
    m_bAppend = false;
    m_bLastResult = status.IsOk();
    m_pUserInterface->JobEnded(m_bLastResult);
    m_bRunning = false;
}
