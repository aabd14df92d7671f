#pragma once

#include <array>
#include <string>

#include "engine/WaypointTable.h"
#include "files/FileKinds.h"

// What to do with a target that exists already.
enum class ExistingTarget {
    Ask,      // the job asks the person when it finds one
    Replace,  // write a new file in its place
    Append,   // scan its waypoints and add the new ones after them
};

// One side of a conversion: the file, its kind, and what is known of it.
struct ConversionFile {
    std::string path;
    FileKind kind = FileKind::Text;
    WaypointFileOptions options;
};

// Everything one conversion job needs to know before it starts. What the
// request leaves open (an existing target, a text layout, how to settle a
// waypoint fault), the job asks the person when it meets it.
struct ConversionRequest {
    ConversionFile source;
    ConversionFile target;
    ExistingTarget existingTarget = ExistingTarget::Ask;
    // Standing answers, as if the person had chosen them for all waypoints
    // with the fault; Resolution::None leaves the fault to the person.
    std::array<Resolution, WAYPOINT_ERROR_COUNT> answers{};
};
