#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "files/WaypointFile.h"
#include "templates/TextTemplate.h"

// The kinds of waypoint file the program reads and writes.
enum class FileKind { Text, MapSource, Gpx };

// What a job knows of a file before it opens it.
struct WaypointFileOptions {
    // The layout of a text file, when the job was given one; without it the
    // person is asked for a template.
    std::optional<CTextTemplate> layout;
};

// One kind of waypoint file: what the person calls it, the extensions of its
// files, and how to make the object that reads and writes one.
struct FileKindInfo {
    FileKind kind;
    const char* pName;                    // "MapSource"
    const char* pDescription;             // "MapSource Files", for a file chooser
    std::vector<std::string> extensions;  // lower case, without the dot
    std::string defaultExtension;         // given to a name typed without one
    std::unique_ptr<CWaypointFile> (*Create)(CWaypointFileUserInterface* pOwner,
                                             const WaypointFileOptions& options);
};

// Every kind, in the order a file chooser offers them.
const std::vector<FileKindInfo>& FileKinds();
const FileKindInfo& InfoOf(FileKind kind);
// The kind whose extension the path ends in, in any case; a text file when no
// other kind claims it.
FileKind KindOfPath(const std::string& path);
