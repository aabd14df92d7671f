#include "engine/RunSummary.h"

#include <vector>

namespace {

const char* DiscardReason(WaypointError error) {
    switch (error) {
        case WaypointError::NameExists:
            return "name already taken";
        case WaypointError::NameTooLong:
            return "name too long";
        case WaypointError::NameEmpty:
            return "empty name";
        case WaypointError::NameNotAlphanumeric:
            return "other characters in the name";
        case WaypointError::LatitudeInvalid:
            return "invalid latitude";
        case WaypointError::LongitudeInvalid:
            return "invalid longitude";
        case WaypointError::ElevationInvalid:
            return "invalid elevation";
        default:
            return "other fault";
    }
}

std::string Counted(int64_t nCount, const char* pWhat) {
    return std::to_string(nCount) + " " + pWhat;
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

}  // namespace

int64_t CRunSummary::DiscardedTotal() const {
    int64_t nTotal = 0;
    for (int64_t nCount : nDiscarded) {
        nTotal += nCount;
    }
    return nTotal;
}

std::string DescribeSummary(const CRunSummary& summary) {
    std::string text = "Waypoints read: " + std::to_string(summary.nRead) +
                       ", written: " + std::to_string(summary.nWritten) + "\n";
    std::vector<std::string> changed;
    const std::pair<int64_t, const char*> counts[] = {
        {summary.nRenamed, "renamed"},
        {summary.nCleaned, "cleaned"},
        {summary.nNamesCut, "names cut short"},
        {summary.nCommentsCut, "comments cut short"},
        {summary.nOverwritten, "overwritten by a later waypoint"}};
    for (const auto& [nCount, pWhat] : counts) {
        if (nCount > 0) {
            changed.push_back(Counted(nCount, pWhat));
        }
    }
    if (!changed.empty()) {
        text += "Changed: " + Joined(changed) + "\n";
    }
    if (summary.DiscardedTotal() > 0) {
        std::vector<std::string> reasons;
        for (int i = 1; i < WAYPOINT_ERROR_COUNT; ++i) {
            if (summary.nDiscarded[i] > 0) {
                reasons.push_back(
                    Counted(summary.nDiscarded[i], DiscardReason(static_cast<WaypointError>(i))));
            }
        }
        text += "Discarded: " + std::to_string(summary.DiscardedTotal()) + " (" + Joined(reasons) +
                ")\n";
    }
    if (summary.nReplacedCharacters > 0) {
        text += "Characters replaced by their closest plain letter or '?': " +
                std::to_string(summary.nReplacedCharacters) + "\n";
    }
    return text;
}
