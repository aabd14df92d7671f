#pragma once

#include <string>
#include <string_view>

#include "engine/Waypoint.h"

class CWaypointTable;
struct ResolutionPolicy;

// The control that shows how many waypoints a stage has handled.
constexpr int IDC_COUNTER = 1003;

// What the import pass asks of the person: to settle a waypoint that cannot be
// stored as it is, to show the counter, to read a message. The table calls
// these on the thread that runs the job (the worker); each call returns only
// when the person has answered.
class CImportUserInterface {
public:
    virtual ~CImportUserInterface() = default;

    // Sets the text of a control and repaints it (the import pass only sets
    // IDC_COUNTER, once per waypoint: keep it cheap).
    virtual void SetControlText(int nId, std::string_view text) = 0;

    // The invalid-waypoint dialog: writes the chosen resolution and the
    // apply-to-all box into the policy and, for Edit, the typed name into name.
    // Closing it without a choice must be reported as Abort. The table may be
    // read (to check a typed name) but not changed.
    virtual void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                        const CWaypointTable& table, int nMaxNameLength,
                                        WaypointError error) = 0;

    // A message with a single OK button; returns when it is dismissed.
    virtual void ShowMessage(const std::string& text) = 0;
};
