#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/GpxFieldCodec.h"
#include "files/WaypointQueue.h"
#include "platform/Status.h"

class CPlatformFile;
class CWaypointTable;
struct XML_ParserStruct;

// Reads a GPX file (1.0 or 1.1) with expat: every waypoint that the root
// element holds, and where new waypoints would go. Routes, tracks, extensions
// and elements of other namespaces are passed over. No external entity is
// ever read, and entities that expand far beyond the file's own size end the
// reading.
class CGpxReader {
public:
    enum class Result {
        Done,     // the whole file was read
        Stopped,  // the table said stop
        Failed,   // the system failed to read
        NotGpx,   // XML whose root is not a GPX root
        NotRead,  // not XML, cut off, or refused (Problem says why)
    };

    // What a writer appending to the file needs to know of it.
    struct Structure {
        // After the last waypoint, or else before the first route, track or
        // extensions, or else before the root's end tag.
        uint64_t nInsertAt = 0;
        // A root written as an empty element ("<gpx .../>"): the "/>" at
        // nInsertAt must become ">" and the end tag follow the new waypoints.
        bool bEmptyRoot = false;
        std::string prefix;         // of the GPX elements, with its colon ("gpx:"), or empty
        bool bUtf8 = true;          // else new text goes in as character references
        bool bUtf16 = false;        // new text cannot go in at all
        bool bHasEntities = false;  // the file declares entities of its own
    };

    // Reads the file from its start; the waypoints go to the table when there is one.
    Result Read(CPlatformFile& file, CWaypointTable* pTable, bool bFromTarget);
    const Structure& GetStructure() const { return m_structure; }
    // Where and why the reading went wrong: the line and what is wrong there.
    uint64_t ProblemLine() const { return m_nProblemLine; }
    const std::string& Problem() const { return m_problem; }
    const Status& TableStatus() const { return m_tableStatus; }

private:
    struct Callbacks;  // expat's handlers

    void Start(const char* pName, const char** ppAttributes);
    // Takes the namespaces that an element's attributes declare.
    void Bind(const char** ppAttributes);
    // The namespace the prefix stands for where the parser is; false for a
    // prefix that nothing declares.
    bool Resolve(std::string_view prefix, std::string_view& space) const;
    void StartRoot(std::string_view space, std::string_view local, std::string_view prefix);
    void StartWaypoint(const char** ppAttributes);
    void End();
    void EndWaypoint();
    uint64_t EventEnd() const;
    void Refuse(Result result, const std::string& problem);
    Result ParseError();
    Result ReadAlongside(CPlatformFile& file, CWaypointTable& table);
    Status Store(CWaypointQueue& queue, CWaypointTable& table) const;
    CWaypoint Decoded(CGpxFieldCodec& fields) const;
    // Parses the whole file; Feed hands it to expat chunk by chunk.
    Result ParseFile(CPlatformFile& file);
    Result Feed(CPlatformFile& file);
    // Hands a waypoint on to be stored; false when no more are wanted.
    bool Deliver(QueuedWaypoint&& read);
    void Reset(CWaypointTable* pTable, bool bFromTarget);

    XML_ParserStruct* m_parser = nullptr;  // while Read runs
    CWaypointTable* m_pTable = nullptr;
    CWaypointQueue* m_pQueue = nullptr;  // while the file is parsed on a thread of its own
    bool m_bFromTarget = false;
    std::string_view m_filePath;  // while Read runs
    Result m_result = Result::Done;
    Status m_tableStatus;
    Structure m_structure;
    uint64_t m_nProblemLine = 0;
    std::string m_problem;

    int m_nDepth = 0;
    std::string m_namespace;  // of the root
    // A namespace declared on an element at depth 1 to 3, until the element ends.
    struct Binding {
        std::string prefix;  // empty for the default namespace
        std::string space;
        int nDepth;
    };
    std::vector<Binding> m_bindings;
    bool m_bWaypointSeen = false;
    bool m_bInsertBeforeFound = false;  // a route, track or extensions came before any waypoint
    bool m_bInWaypoint = false;
    uint64_t m_nWaypointLine = 0;  // where the waypoint being read begins
    uint64_t m_nTagEnd = 0;        // of the last start tag at depth 1 or 2
    CGpxFieldCodec m_codec;
    std::string* m_pField = nullptr;  // the child of a waypoint being read
};
