#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/GpxFieldCodec.h"
#include "files/WaypointQueue.h"
#include "files/XmlScanner.h"
#include "platform/Status.h"

class CPlatformFile;
class CWaypointTable;
struct XML_ParserStruct;

// Reads a GPX file (1.0 or 1.1): every waypoint that the root element holds,
// and where new waypoints would go. Routes, tracks, extensions and elements of
// other namespaces are passed over. The scanner reads the file as far as it
// can, and expat the rest (often all of a file with a document type or in
// another encoding). No external entity is ever read, and entities that
// expand far beyond the file's own size end the reading.
class CGpxReader : private CXmlScanner::Events {
public:
    enum class Parser {
        Scanner,  // the scanner, and expat from where it stops
        Expat,    // expat alone, for comparison
    };
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

    // A smaller buffer for the scanner makes it stop and refill more often (for tests).
    explicit CGpxReader(Parser parser = Parser::Scanner,
                        size_t nScanBufferSize = CXmlScanner::BUFFER_SIZE)
        : m_parser(parser), m_nScanBufferSize(nScanBufferSize) {}

    // Reads the file from its start; the waypoints go to the table when there is one.
    Result Read(CPlatformFile& file, CWaypointTable* pTable, bool bFromTarget);
    const Structure& GetStructure() const { return m_structure; }
    // Where and why the reading went wrong: the line and what is wrong there.
    uint64_t ProblemLine() const { return m_nProblemLine; }
    const std::string& Problem() const { return m_problem; }
    const Status& TableStatus() const { return m_tableStatus; }

private:
    struct Callbacks;  // expat's handlers

    void OnStart(std::string_view name, const std::vector<XmlAttribute>& attributes) override;
    void OnEnd() override;
    void OnText(std::string_view text) override;
    // Only the text of a waypoint's child is read.
    bool WantsText() const override { return m_pField != nullptr && m_nDepth == 3; }
    // Takes the namespaces that an element's attributes declare.
    void Bind(const std::vector<XmlAttribute>& attributes);
    // The namespace the prefix stands for where the parser is; false for a
    // prefix that nothing declares.
    bool Resolve(std::string_view prefix, std::string_view& space);
    void Unbind();
    void StartRoot(std::string_view space, std::string_view local, std::string_view prefix);
    void StartWaypoint(const std::vector<XmlAttribute>& attributes);
    void EndWaypoint();
    // Where the markup being read lies, whichever parser reads it.
    uint64_t EventLine() const;
    uint64_t EventStart() const;
    uint64_t EventLength() const;
    uint64_t EventEnd() const { return EventStart() + EventLength(); }
    void Refuse(Result result, const std::string& problem);
    void StopParsing();
    Result ParseError();
    Result ReadAlongside(CPlatformFile& file, CWaypointTable& table);
    Status Store(CWaypointQueue& queue, CWaypointTable& table) const;
    CWaypoint Decoded(CGpxFieldCodec& fields) const;
    // Parses the whole file: the scanner first, then expat from where it stops.
    Result ParseFile(CPlatformFile& file);
    Result ParseWithExpat(CPlatformFile& file, const CXmlScanner::ResumePoint& from);
    // Hands the file to expat chunk by chunk.
    Result Feed(CPlatformFile& file, bool bFromStart);
    // Hands a waypoint on to be stored; false when no more are wanted.
    bool Deliver(QueuedWaypoint&& read);
    void Reset(CWaypointTable* pTable, bool bFromTarget);

    Parser m_parser;
    size_t m_nScanBufferSize;
    CXmlScanner* m_pScanner = nullptr;     // while it reads
    XML_ParserStruct* m_pExpat = nullptr;  // while it reads
    // What expat counts from where it took over, to a line and an offset in the file.
    uint64_t m_nExpatLineBase = 0;
    int64_t m_nExpatOffsetBase = 0;
    std::vector<XmlAttribute> m_expatAttributes;
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
    // The namespaces declared on elements at depth 1 to 3, until the element
    // ends: by prefix (empty for the default namespace), innermost last, and in
    // the order declared, to be undone.
    struct Binding {
        std::string prefix;
        int nDepth;
    };
    std::unordered_map<std::string, std::vector<std::string>> m_spaces;
    std::vector<Binding> m_bindings;
    // The prefix resolved last, which is nearly always the next one too.
    std::string m_lastPrefix;
    std::string_view m_lastSpace;
    bool m_bLastResolved = false;
    bool m_bWaypointSeen = false;
    bool m_bInsertBeforeFound = false;  // a route, track or extensions came before any waypoint
    bool m_bInWaypoint = false;
    uint64_t m_nWaypointLine = 0;  // where the waypoint being read begins
    uint64_t m_nTagEnd = 0;        // of the last start tag at depth 1 or 2
    CGpxFieldCodec m_codec;
    std::string* m_pField = nullptr;  // the child of a waypoint being read
};
