#include "engine/WaypointTable.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <utility>

#include "platform/Excerpt.h"
#include "platform/Utf8.h"

bool IsOffered(Resolution resolution, WaypointError error) {
    switch (resolution) {
        case Resolution::AddSuffix:
        case Resolution::Overwrite:
            return error == WaypointError::NameExists;
        case Resolution::Discard:
            return true;
        case Resolution::Clean:
            return error == WaypointError::NameNotAlphanumeric;
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
    if (nLength >= 0) {
        TruncateCharacters(text, static_cast<size_t>(nLength));
    }
}

CWaypointTable::CWaypointTable(CImportUserInterface* pStatusWnd) : m_pStatusWnd(pStatusWnd) {}

namespace {

const char* const TOO_MANY_NAMES =
    "Cannot create more unique names,only part of the file can be imported";

}  // namespace

Status CWaypointTable::AddWaypoint(CWaypoint& waypoint, const WaypointOrigin& origin) {
    LowerText(waypoint.m_strName);
    return AddLoweredWaypoint(waypoint, NameHash(waypoint.m_strName), origin);
}

Status CWaypointTable::AddLoweredWaypoint(CWaypoint& waypoint, uint32_t nNameHash,
                                          const WaypointOrigin& origin) {
    if (StopRequested()) {
        return Status::Stopped();
    }
    m_pPending = &waypoint;
    m_pendingOrigin = origin;
    Status status = TryToStore(waypoint, nNameHash);
    m_pPending = nullptr;
    m_coordinateNote.clear();
    return status;
}

Status CWaypointTable::TryToStore(CWaypoint& waypoint, uint32_t nNameHash) {
    try {
        return ResolveAndStore(waypoint, nNameHash);
    } catch (const std::bad_alloc&) {
        // A name reserved by the unique-name search must not stay without its record.
        if (IsReserved(waypoint.m_strName)) {
            RemoveKey(waypoint.m_strName);
        }
        return Status::Failed("Not enough memory !");
    }
}

// A resolution may change the name, which is then lowered and hashed anew.
Status CWaypointTable::ResolveAndStore(CWaypoint& waypoint, uint32_t nNameHash) {
    if (!waypoint.m_bFromTarget) {
        ++m_summary.nRead;
    }
    LowerText(waypoint.m_strComment);
    for (;;) {
        WaypointError error = Classify(waypoint, nNameHash);
        if (error == WaypointError::None) {
            return Store(waypoint, nNameHash);
        }
        switch (Resolve(waypoint, error)) {
            case Step::Store:
                return Store(waypoint, NameHash(waypoint.m_strName));
            case Step::Skip:
                return Status();
            case Step::Stop:
                return AbortStatus(waypoint, error);
            case Step::Fail:
                return Status::Failed(TOO_MANY_NAMES);
            case Step::Retry:
                LowerText(waypoint.m_strName);
                nNameHash = NameHash(waypoint.m_strName);
                break;
        }
    }
}

WaypointError CWaypointTable::Classify(const CWaypoint& waypoint, uint32_t nNameHash) const {
    WaypointError error = waypoint.Validate(m_nMaxNameLength);
    if (error == WaypointError::None && Contains(waypoint.m_strName, nNameHash)) {
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
    Resolution resolution = AskResolution(waypoint, error, typedName);
    CountResolution(waypoint, resolution, error);
    switch (resolution) {
        case Resolution::AddSuffix:
            if (!MakeUniqueName(waypoint.m_strName)) {
                return Step::Fail;
            }
            return Step::Store;
        case Resolution::Overwrite:
            RemoveKey(waypoint.m_strName);
            return Step::Store;
        case Resolution::Clean:
            waypoint.m_strName = CleanName(waypoint.m_strName);
            return Step::Retry;
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

void CWaypointTable::CountResolution(const CWaypoint& waypoint, Resolution resolution,
                                     WaypointError error) {
    if (waypoint.m_bFromTarget) {
        return;
    }
    CWaypoint earlier;
    switch (resolution) {
        case Resolution::AddSuffix:
        case Resolution::Edit:
            ++m_summary.nRenamed;
            break;
        case Resolution::Clean:
            ++m_summary.nCleaned;
            break;
        case Resolution::Truncate:
            ++m_summary.nNamesCut;
            break;
        case Resolution::Discard:
            ++m_summary.nDiscarded[static_cast<int>(error)];
            break;
        case Resolution::Overwrite:
            if (Lookup(waypoint.m_strName, earlier) && !earlier.m_bFromTarget) {
                ++m_summary.nOverwritten;
            }
            break;
        default:
            break;
    }
}

// An Abort names the waypoint, where it was read and its fault, so that the
// person can find it; a stop asked for by the job is no abort.
Status CWaypointTable::AbortStatus(const CWaypoint& waypoint, WaypointError error) const {
    if (StopRequested()) {
        return Status::Stopped();
    }
    std::string where;
    if (m_pendingOrigin.unit != WaypointOrigin::Unit::Unknown) {
        const char* pUnit =
            m_pendingOrigin.unit == WaypointOrigin::Unit::Line ? "line " : "waypoint record ";
        where = ", " + std::string(pUnit) + std::to_string(m_pendingOrigin.nNumber) + " of \"" +
                std::string(m_pendingOrigin.filePath) + "\"";
    }
    std::string note = CoordinateNote(waypoint, error);
    return Status::Failed("Stopped at waypoint \"" + Excerpt(waypoint.m_strName) + "\"" + where +
                          ": " + WaypointErrorMessage(static_cast<int>(error), m_nMaxNameLength) +
                          (note.empty() ? "" : " (" + note + ")"));
}

// The reader's note, or for a coordinate out of range the limit it passes.
std::string CWaypointTable::CoordinateNote(const CWaypoint& waypoint, WaypointError error) const {
    if (error != WaypointError::LatitudeInvalid && error != WaypointError::LongitudeInvalid) {
        return std::string();
    }
    if (!m_coordinateNote.empty()) {
        return m_coordinateNote;
    }
    bool bLatitude = error == WaypointError::LatitudeInvalid;
    double dValue = bLatitude ? waypoint.m_dLatitude : waypoint.m_dLongitude;
    double dLimit = bLatitude ? 90.0 : 180.0;
    if (!(dValue < -dLimit || dValue > dLimit)) {
        return std::string();
    }
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, dValue, std::chars_format::fixed, 6);
    return (result.ec == std::errc() ? std::string(text, result.ptr) : std::string("it")) +
           " is beyond " + (bLatitude ? "90" : "180") + " degrees";
}

Status CWaypointTable::Store(const CWaypoint& waypoint, uint32_t nNameHash) {
    int nCounter = NextCounterValue(waypoint);
    if (MayCutComment(waypoint)) {
        StoreWithCutComment(waypoint, nNameHash);
    } else {
        SetAt(waypoint, nNameHash);
    }
    ShowCounter(nCounter);
    if (GetCount() >= static_cast<size_t>(m_nMaxEntries)) {
        return Status::Failed("The file is too large, only part of it can be checked/imported");
    }
    return Status();
}

// Whether the comment has more bytes than the limit allows characters.
bool CWaypointTable::MayCutComment(const CWaypoint& waypoint) const {
    return m_nMaxCommentLength >= 0 &&
           waypoint.m_strComment.size() > static_cast<size_t>(m_nMaxCommentLength);
}

void CWaypointTable::StoreWithCutComment(const CWaypoint& waypoint, uint32_t nNameHash) {
    CWaypoint copy = waypoint;
    TruncateText(copy.m_strComment, m_nMaxCommentLength);
    if (!copy.m_bFromTarget && copy.m_strComment.size() != waypoint.m_strComment.size()) {
        ++m_summary.nCommentsCut;
    }
    SetAt(copy, nNameHash);
}

// Taken before the waypoint is stored, so the first waypoint of a stage shows 0.
int CWaypointTable::NextCounterValue(const CWaypoint& waypoint) {
    int nEntries = static_cast<int>(GetCount());
    if (waypoint.m_bFromTarget) {
        ++m_nScanCount;
        return nEntries;
    }
    return nEntries - m_nScanCount;
}

void CWaypointTable::ExpectWaypoints(uint64_t nWaypoints) {
    constexpr uint64_t MAX_EXPECTED = uint64_t{1} << 21;
    try {
        ExpectMore(static_cast<size_t>(std::min(nWaypoints, MAX_EXPECTED)));
    } catch (const std::bad_alloc&) {
        // Only a guess: the table grows as the waypoints come.
    }
}

bool CWaypointTable::RemoveKey(std::string_view key) {
    if (!CWaypointMap::RemoveKey(key)) {
        return false;
    }
    m_uniqueNames.Forget(key);
    return true;
}

CWaypoint CWaypointTable::TakeNext(Position& position) {
    CWaypoint waypoint = WaypointAt(position);
    DropNext(position, ViewAt(position));
    return waypoint;
}

// The name is forgotten while the entry still holds it.
void CWaypointTable::DropNext(Position& position, const WaypointView& waypoint) {
    m_uniqueNames.Forget(waypoint.name);
    if (!waypoint.bFromTarget) {
        ++m_summary.nWritten;
    }
    ShowCounter(m_nExportCount);
    ++m_nExportCount;
    RemoveAt(position);
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
