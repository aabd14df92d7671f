#include "engine/WaypointTable.h"

#include <new>
#include <utility>

bool IsOffered(Resolution resolution, WaypointError error) {
    switch (resolution) {
        case Resolution::AddSuffix:
        case Resolution::Overwrite:
            return error == WaypointError::NameExists;
        case Resolution::Discard:
            return true;
        case Resolution::Edit:
            return error == WaypointError::NameExists || error == WaypointError::NameTooLong ||
                   error == WaypointError::NameEmpty || error == WaypointError::NameNotAlphanumeric;
        case Resolution::Truncate:
            return error == WaypointError::NameTooLong;
        default:
            return false;
    }
}

void TruncateText(std::string& text, int nLength) {
    if (nLength >= 0 && text.size() > static_cast<size_t>(nLength)) {
        text.resize(static_cast<size_t>(nLength));
    }
}

CWaypointTable::CWaypointTable(CImportUserInterface* pStatusWnd) : m_pStatusWnd(pStatusWnd) {}

namespace {

const char* const TOO_MANY_NAMES =
    "Cannot create more unique names,only part of the file can be imported";

}  // namespace

Status CWaypointTable::AddWaypoint(CWaypoint& waypoint, const WaypointOrigin& origin) {
    if (StopRequested()) {
        return Status::Stopped();
    }
    m_pPending = &waypoint;
    m_pendingOrigin = origin;
    Status status = TryToStore(waypoint);
    m_pPending = nullptr;
    return status;
}

Status CWaypointTable::TryToStore(CWaypoint& waypoint) {
    try {
        return ResolveAndStore(waypoint);
    } catch (const std::bad_alloc&) {
        // A name reserved by the unique-name search must not stay without its record.
        const CWaypoint* pRecord = nullptr;
        if (Lookup(waypoint.m_strName, pRecord) && pRecord == nullptr) {
            RemoveKey(waypoint.m_strName);
        }
        return Status::Failed("Not enough memory !");
    }
}

Status CWaypointTable::ResolveAndStore(CWaypoint& waypoint) {
    for (;;) {
        LowerAscii(waypoint.m_strName);
        LowerAscii(waypoint.m_strComment);
        WaypointError error = Classify(waypoint);
        Step step = error == WaypointError::None ? Step::Store : Resolve(waypoint, error);
        switch (step) {
            case Step::Store:
                return Store(waypoint);
            case Step::Skip:
                return Status();
            case Step::Stop:
                return Status::Stopped();
            case Step::Fail:
                return Status::Failed(TOO_MANY_NAMES);
            case Step::Retry:
                break;
        }
    }
}

WaypointError CWaypointTable::Classify(const CWaypoint& waypoint) const {
    WaypointError error = waypoint.Validate(m_nMaxNameLength);
    if (error == WaypointError::None && Contains(waypoint.m_strName)) {
        return WaypointError::NameExists;
    }
    return error;
}

// The resolution for the fault: the standing one when the person asked for it
// to apply to all, otherwise the person's answer. An Edit is always asked anew,
// since every waypoint needs a name of its own.
Resolution CWaypointTable::AskResolution(const CWaypoint& waypoint, WaypointError error,
                                         std::string& name) {
    ResolutionPolicy& policy = m_policies[static_cast<int>(error)];
    name = waypoint.m_strName;
    if (!policy.applyToAll || policy.resolution == Resolution::Edit) {
        if (m_pStatusWnd == nullptr) {
            return Resolution::Abort;
        }
        m_pStatusWnd->ResolveInvalidWaypoint(name, policy, *this, m_nMaxNameLength, error);
    }
    return IsOffered(policy.resolution, error) ? policy.resolution : Resolution::Abort;
}

CWaypointTable::Step CWaypointTable::Resolve(CWaypoint& waypoint, WaypointError error) {
    std::string typedName;
    switch (AskResolution(waypoint, error, typedName)) {
        case Resolution::AddSuffix:
            if (!MakeUniqueName(waypoint.m_strName)) {
                return Step::Fail;
            }
            return Step::Store;
        case Resolution::Overwrite:
            RemoveKey(waypoint.m_strName);
            return Step::Store;
        case Resolution::Discard:
            return Step::Skip;
        case Resolution::Edit:
            waypoint.m_strName = std::move(typedName);
            return Step::Retry;
        case Resolution::Truncate:
            TruncateText(waypoint.m_strName, m_nMaxNameLength);
            return Step::Retry;
        default:
            return Step::Stop;
    }
}

Status CWaypointTable::Store(const CWaypoint& waypoint) {
    CWaypoint copy = waypoint;
    TruncateText(copy.m_strComment, m_nMaxCommentLength);
    int nCounter = NextCounterValue(waypoint);
    SetAt(std::move(copy));
    ShowCounter(nCounter);
    if (GetCount() >= static_cast<size_t>(m_nMaxEntries)) {
        return Status::Failed("The file is too large, only part of it can be checked/imported");
    }
    return Status();
}

// Taken before the copy is stored, so the first waypoint of a stage shows 0.
int CWaypointTable::NextCounterValue(const CWaypoint& waypoint) {
    int nEntries = static_cast<int>(GetCount());
    if (waypoint.m_bFromTarget) {
        ++m_nScanCount;
        return nEntries;
    }
    return nEntries - m_nScanCount;
}

bool CWaypointTable::RemoveKey(std::string_view key) {
    if (!CWaypointMap::RemoveKey(key)) {
        return false;
    }
    m_uniqueNames.Forget(key);
    return true;
}

CWaypoint CWaypointTable::TakeNext(Position& position) {
    CWaypoint waypoint = TakeAt(position);
    m_uniqueNames.Forget(waypoint.m_strName);
    ShowCounter(m_nExportCount);
    ++m_nExportCount;
    return waypoint;
}

void CWaypointTable::ShowCounter(int nCount) {
    if (m_pStatusWnd == nullptr) {
        return;
    }
    m_pStatusWnd->ShowProgress(nCount);
}

bool CWaypointTable::MakeUniqueName(std::string& name) {
    std::string candidate;
    if (!m_uniqueNames.Find(name, m_nMaxNameLength, *this, candidate)) {
        return false;
    }
    Reserve(candidate);
    name = std::move(candidate);
    return true;
}
