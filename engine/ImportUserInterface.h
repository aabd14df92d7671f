#pragma once

#include <string>

#include "engine/Waypoint.h"

class CWaypointTable;
struct ResolutionPolicy;

// What the import pass reports to the person and asks of them: the count of
// waypoints the current stage has handled, and how to settle a waypoint that
// cannot be stored as it is. The table calls these on the thread that runs the
// job (the worker); each call returns only when it is done.
class CImportUserInterface {
public:
    virtual ~CImportUserInterface() = default;

    // The count of waypoints the current stage has handled so far; called once
    // per waypoint, so keep it cheap.
    virtual void ShowProgress(int nCount) = 0;

    // Settles an invalid waypoint: writes the chosen resolution and the
    // apply-to-all choice into the policy and, for Edit, the typed name into
    // name. No answer must be reported as Abort. The table may be read (to
    // check a typed name) but not changed.
    virtual void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                        const CWaypointTable& table, int nMaxNameLength,
                                        WaypointError error) = 0;
};
