#include "files/FileKinds.h"

#include <string_view>

#include "files/GpxFile.h"
#include "files/MapSourceFile.h"
#include "files/TextWaypointFile.h"
#include "platform/AsciiCase.h"

namespace {

template <typename File>
std::unique_ptr<CWaypointFile> Create(CWaypointFileUserInterface* pOwner,
                                      const WaypointFileOptions& options) {
    return std::make_unique<File>(pOwner, options);
}

bool HasExtension(std::string_view path, const std::string& extension) {
    return path.size() > extension.size() && path[path.size() - extension.size() - 1] == '.' &&
           EqualIgnoringCase(path.substr(path.size() - extension.size()), extension);
}

}  // namespace

const std::vector<FileKindInfo>& FileKinds() {
    static const std::vector<FileKindInfo> kinds = {
        {FileKind::Text, "Text", "Text Files", {"txt", "csv"}, "csv", Create<CTextWaypointFile>},
        {FileKind::MapSource,
         "MapSource",
         "MapSource Files",
         {"mps"},
         "mps",
         Create<CMapSourceFile>},
        {FileKind::Gpx, "GPX", "GPX Files", {"gpx"}, "gpx", Create<CGpxFile>},
    };
    return kinds;
}

const FileKindInfo& InfoOf(FileKind kind) {
    for (const FileKindInfo& info : FileKinds()) {
        if (info.kind == kind) {
            return info;
        }
    }
    return FileKinds().front();
}

FileKind KindOfPath(const std::string& path) {
    for (const FileKindInfo& info : FileKinds()) {
        if (info.kind == FileKind::Text) {
            continue;  // any name no other kind claims
        }
        for (const std::string& extension : info.extensions) {
            if (HasExtension(path, extension)) {
                return info.kind;
            }
        }
    }
    return FileKind::Text;
}
