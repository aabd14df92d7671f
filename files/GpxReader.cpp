#include "files/GpxReader.h"

#define XML_DTD 1  // as Debian builds expat: entity declarations and their limits
#include <expat.h>

#include <exception>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/WaypointFeed.h"
#include "engine/WaypointTable.h"
#include "files/GpxFormat.h"
#include "platform/AsciiCase.h"
#include "platform/PlatformFile.h"
#include "platform/Windows1252.h"

namespace {

constexpr size_t CHUNK_SIZE = 1 << 16;
// Entities may expand a file to at most this size before expat weighs the
// expansion against the file and ends a reading that grows out of proportion.
constexpr unsigned long long EXPANSION_THRESHOLD = 1 << 20;
// No waypoint needs more text than this in one element; a longer one is
// refused before it fills the memory, as a text file's long line is.
constexpr size_t MAX_FIELD_SIZE = 1 << 20;
// A waypoint with an elevation, a name, a comment and a symbol as this program
// writes it; most files hold more per waypoint, and a guess too low only makes
// the table grow on the way.
constexpr uint64_t TYPICAL_WAYPOINT_BYTES = 192;

constexpr std::string_view XML_NAMESPACE = "http://www.w3.org/XML/1998/namespace";

// An element's name split at its colon: views into the parser's text, which
// lives as long as the event.
struct QualifiedName {
    std::string_view prefix;
    std::string_view local;
};

QualifiedName Split(std::string_view name) {
    size_t nColon = name.find(':');
    if (nColon == std::string_view::npos) {
        return {std::string_view(), name};
    }
    return {name.substr(0, nColon), name.substr(nColon + 1)};
}

// The prefix an attribute declares a namespace for ("" for the default), if it is a declaration.
bool DeclaredPrefix(std::string_view attribute, std::string_view& prefix) {
    constexpr std::string_view XMLNS = "xmlns";
    if (attribute.substr(0, XMLNS.size()) != XMLNS) {
        return false;
    }
    if (attribute.size() == XMLNS.size()) {
        prefix = std::string_view();
        return true;
    }
    if (attribute[XMLNS.size()] != ':') {
        return false;
    }
    prefix = attribute.substr(XMLNS.size() + 1);
    return true;
}

bool IsGpxNamespace(std::string_view space) {
    return space.empty() || space == GPX11_NAMESPACE || space == GPX10_NAMESPACE;
}

bool IsUtf8Name(const XML_Char* pEncoding) {
    return pEncoding == nullptr || EqualIgnoringCase(pEncoding, "UTF-8") ||
           EqualIgnoringCase(pEncoding, "UTF8");
}

bool StartsUtf16(const unsigned char* p, size_t nSize) {
    return nSize >= 2 && ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE) ||
                          (p[0] == 0 && p[1] == '<') || (p[0] == '<' && p[1] == 0));
}

}  // namespace

struct CGpxReader::Callbacks {
    static void XMLCALL OnStart(void* pData, const XML_Char* pName, const XML_Char** ppAttributes) {
        auto* pReader = static_cast<CGpxReader*>(pData);
        std::vector<XmlAttribute>& attributes = pReader->m_expatAttributes;
        attributes.clear();
        if (pReader->m_nDepth < 3) {  // deeper, no attribute is read
            for (const XML_Char** pp = ppAttributes; *pp != nullptr; pp += 2) {
                attributes.push_back({pp[0], pp[1]});
            }
        }
        pReader->OnStart(pName, attributes);
    }
    static void XMLCALL OnEnd(void* pData, const XML_Char*) {
        static_cast<CGpxReader*>(pData)->OnEnd();
    }
    static void XMLCALL OnText(void* pData, const XML_Char* pText, int nLength) {
        static_cast<CGpxReader*>(pData)->OnText(
            std::string_view(pText, static_cast<size_t>(nLength)));
    }
    static void XMLCALL OnXmlDeclaration(void* pData, const XML_Char*, const XML_Char* pEncoding,
                                         int) {
        static_cast<CGpxReader*>(pData)->m_structure.bUtf8 = IsUtf8Name(pEncoding);
    }
    static void XMLCALL OnEntityDeclaration(void* pData, const XML_Char*, int, const XML_Char*, int,
                                            const XML_Char*, const XML_Char*, const XML_Char*,
                                            const XML_Char*) {
        static_cast<CGpxReader*>(pData)->m_structure.bHasEntities = true;
    }
    // An external entity is never read: its reference is an error of the file.
    static int XMLCALL OnExternalEntity(XML_Parser, const XML_Char*, const XML_Char*,
                                        const XML_Char*, const XML_Char*) {
        return XML_STATUS_ERROR;
    }
    // Windows-1252, which expat does not know by itself, is a table of 256 characters.
    static int XMLCALL OnUnknownEncoding(void*, const XML_Char* pName, XML_Encoding* pInfo) {
        if (!EqualIgnoringCase(pName, "windows-1252") && !EqualIgnoringCase(pName, "cp1252")) {
            return XML_STATUS_ERROR;
        }
        for (int i = 0; i < 256; ++i) {
            std::string character = Windows1252ToUtf8(std::string(1, static_cast<char>(i)));
            size_t nAt = 0;
            pInfo->map[i] = static_cast<int>(NextCharacter(character, nAt));
        }
        pInfo->data = nullptr;
        pInfo->convert = nullptr;
        pInfo->release = nullptr;
        return XML_STATUS_OK;
    }
};

void CGpxReader::Reset(CWaypointTable* pTable, bool bFromTarget) {
    m_pTable = pTable;
    m_bFromTarget = bFromTarget;
    m_result = Result::Done;
    m_tableStatus = Status();
    m_structure = Structure();
    m_nProblemLine = 0;
    m_problem.clear();
    m_nDepth = 0;
    m_namespace.clear();
    m_bindings.clear();
    m_spaces.clear();
    m_bLastResolved = false;
    m_bWaypointSeen = false;
    m_bInsertBeforeFound = false;
    m_bInWaypoint = false;
    m_nTagEnd = 0;
    m_pField = nullptr;
    m_pScanner = nullptr;
    m_pExpat = nullptr;
}

CGpxReader::Result CGpxReader::Read(CPlatformFile& file, CWaypointTable* pTable, bool bFromTarget) {
    Reset(pTable, bFromTarget);
    m_filePath = file.GetFilePath();
    if (!file.Seek(0, CPlatformFile::SeekFrom::Begin)) {
        return Result::Failed;
    }
    return pTable != nullptr ? ReadAlongside(file, *pTable) : ParseFile(file);
}

uint64_t CGpxReader::EventLine() const {
    if (m_pScanner != nullptr) {
        return m_pScanner->EventLine();
    }
    return XML_GetCurrentLineNumber(m_pExpat) + m_nExpatLineBase;
}

uint64_t CGpxReader::EventStart() const {
    if (m_pScanner != nullptr) {
        return m_pScanner->EventStart();
    }
    return static_cast<uint64_t>(XML_GetCurrentByteIndex(m_pExpat) + m_nExpatOffsetBase);
}

uint64_t CGpxReader::EventLength() const {
    if (m_pScanner != nullptr) {
        return m_pScanner->EventLength();
    }
    return static_cast<uint64_t>(XML_GetCurrentByteCount(m_pExpat));
}

// Parsing takes longer than storing: the file is parsed on a thread of its
// own while this one stores the waypoints (without a thread, in turns).
CGpxReader::Result CGpxReader::ReadAlongside(CPlatformFile& file, CWaypointTable& table) {
    table.ExpectWaypoints(file.GetLength() / TYPICAL_WAYPOINT_BYTES);
    CWaypointQueue queue;
    Result result = Result::Done;
    std::exception_ptr failure;
    std::thread parser;
    m_pQueue = &queue;
    try {
        parser = std::thread([&] {
            try {
                result = ParseFile(file);
            } catch (...) {
                failure = std::current_exception();
            }
            queue.Finish();
        });
    } catch (const std::system_error&) {
        m_pQueue = nullptr;
        return ParseFile(file);
    }
    struct JoinAtExit {
        CWaypointQueue& queue;
        std::thread& thread;
        ~JoinAtExit() {
            queue.Close();
            thread.join();
        }
    };
    Status status;
    {
        JoinAtExit join{queue, parser};
        status = Store(queue, table);
    }
    m_pQueue = nullptr;
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (!status.IsOk()) {
        m_tableStatus = std::move(status);
        return Result::Stopped;
    }
    return result;
}

Status CGpxReader::Store(CWaypointQueue& queue, CWaypointTable& table) const {
    CWaypointFeed feed(table);
    std::vector<QueuedWaypoint> batch;
    while (queue.Pop(batch)) {
        for (QueuedWaypoint& queued : batch) {
            if (Status status = feed.Add(Decoded(queued.fields), queued.origin, std::string());
                !status.IsOk()) {
                return status;
            }
        }
    }
    return feed.Flush();
}

CGpxReader::Result CGpxReader::ParseFile(CPlatformFile& file) {
    if (m_parser == Parser::Expat) {
        CXmlScanner::ResumePoint fromStart;
        fromStart.bFromStart = true;
        return ParseWithExpat(file, fromStart);
    }
    CXmlScanner::ResumePoint resume;
    {
        CXmlScanner scanner(*this, m_nScanBufferSize);
        m_pScanner = &scanner;
        CXmlScanner::Outcome outcome = scanner.Scan(file);
        m_pScanner = nullptr;
        switch (outcome) {
            case CXmlScanner::Outcome::Done:
            case CXmlScanner::Outcome::Stopped:
                return m_result;
            case CXmlScanner::Outcome::Failed:
                return Result::Failed;
            case CXmlScanner::Outcome::HandOver:
                resume = scanner.GetResumePoint();
                break;
        }
    }
    if (!file.Seek(static_cast<int64_t>(resume.nOffset), CPlatformFile::SeekFrom::Begin)) {
        return Result::Failed;
    }
    return ParseWithExpat(file, resume);
}

// Expat takes over where the scanner stopped: the context puts it in the
// scanner's nesting before any handler is set, so that it reports nothing
// twice, and its lines and offsets are counted on from there.
CGpxReader::Result CGpxReader::ParseWithExpat(CPlatformFile& file,
                                              const CXmlScanner::ResumePoint& from) {
    std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate(nullptr),
                                                                   XML_ParserFree);
    if (parser == nullptr) {
        throw std::bad_alloc();
    }
    m_pExpat = parser.get();
    m_nExpatLineBase = 0;
    m_nExpatOffsetBase = 0;
    if (!from.bFromStart) {
        if (XML_Parse(m_pExpat, from.context.data(), static_cast<int>(from.context.size()),
                      XML_FALSE) != XML_STATUS_OK) {
            throw std::logic_error("expat refused the scanner's context");
        }
        m_nExpatLineBase = from.nLine - 1;
        m_nExpatOffsetBase =
            static_cast<int64_t>(from.nOffset) - static_cast<int64_t>(from.context.size());
    }
    XML_SetUserData(m_pExpat, this);
    XML_SetElementHandler(m_pExpat, Callbacks::OnStart, Callbacks::OnEnd);
    XML_SetCharacterDataHandler(m_pExpat, Callbacks::OnText);
    XML_SetXmlDeclHandler(m_pExpat, Callbacks::OnXmlDeclaration);
    XML_SetEntityDeclHandler(m_pExpat, Callbacks::OnEntityDeclaration);
    XML_SetUnknownEncodingHandler(m_pExpat, Callbacks::OnUnknownEncoding, nullptr);
    XML_SetParamEntityParsing(m_pExpat, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetExternalEntityRefHandler(m_pExpat, Callbacks::OnExternalEntity);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(m_pExpat, EXPANSION_THRESHOLD);
    Result result = Feed(file, from.bFromStart);
    m_pExpat = nullptr;
    return result;
}

CGpxReader::Result CGpxReader::Feed(CPlatformFile& file, bool bFromStart) {
    for (bool bFirst = bFromStart;; bFirst = false) {
        void* pBuffer = XML_GetBuffer(m_pExpat, CHUNK_SIZE);
        if (pBuffer == nullptr) {
            throw std::bad_alloc();
        }
        size_t nRead = file.Read(pBuffer, CHUNK_SIZE);
        if (file.HasFailed()) {
            return Result::Failed;
        }
        if (bFirst) {
            m_structure.bUtf16 = StartsUtf16(static_cast<unsigned char*>(pBuffer), nRead);
        }
        bool bFinal = nRead < CHUNK_SIZE;
        if (XML_ParseBuffer(m_pExpat, static_cast<int>(nRead), bFinal) != XML_STATUS_OK) {
            return m_result != Result::Done ? m_result : ParseError();
        }
        if (bFinal) {
            return Result::Done;
        }
    }
}

CGpxReader::Result CGpxReader::ParseError() {
    m_nProblemLine = EventLine();
    m_problem = XML_ErrorString(XML_GetErrorCode(m_pExpat));
    return Result::NotRead;
}

void CGpxReader::Refuse(Result result, const std::string& problem) {
    m_result = result;
    m_nProblemLine = EventLine();
    m_problem = problem;
    StopParsing();
}

void CGpxReader::StopParsing() {
    if (m_pScanner != nullptr) {
        m_pScanner->Stop();
    } else {
        XML_StopParser(m_pExpat, XML_FALSE);
    }
}

void CGpxReader::OnStart(std::string_view qualifiedName,
                         const std::vector<XmlAttribute>& attributes) {
    ++m_nDepth;
    if (m_nDepth > 3) {
        return;
    }
    Bind(attributes);
    QualifiedName name = Split(qualifiedName);
    std::string_view space;
    if (!Resolve(name.prefix, space)) {
        Refuse(Result::NotRead, XML_ErrorString(XML_ERROR_UNBOUND_PREFIX));
        return;
    }
    if (m_nDepth == 1) {
        StartRoot(space, name.local, name.prefix);
        m_nTagEnd = EventEnd();
        return;
    }
    if (space != m_namespace) {
        return;
    }
    if (m_nDepth == 2) {
        if (name.local == "wpt") {
            m_nTagEnd = EventEnd();
            StartWaypoint(attributes);
        } else if (!m_bWaypointSeen && !m_bInsertBeforeFound &&
                   (name.local == "rte" || name.local == "trk" || name.local == "extensions")) {
            m_structure.nInsertAt = EventStart();
            m_bInsertBeforeFound = true;
        }
        return;
    }
    if (!m_bInWaypoint) {
        return;
    }
    m_pField = nullptr;
    if (name.local == "ele") {
        m_codec.m_bHasElevation = true;
        m_pField = &m_codec.m_strElevation;
    } else if (name.local == "name") {
        m_pField = &m_codec.m_strName;
    } else if (name.local == "cmt") {
        m_codec.m_bHasComment = true;
        m_pField = &m_codec.m_strComment;
    } else if (name.local == "desc") {
        m_pField = &m_codec.m_strDescription;
    } else if (name.local == "sym") {
        m_codec.m_bHasSymbol = true;
        m_pField = &m_codec.m_strSymbol;
    }
    if (m_pField != nullptr) {
        m_pField->clear();
    }
}

// Expat reads names as they are written; the namespaces of the elements
// this reader looks at (the root, its children and theirs) are resolved here,
// which costs less than expat's resolving every name of the file.
void CGpxReader::Bind(const std::vector<XmlAttribute>& attributes) {
    for (const XmlAttribute& attribute : attributes) {
        std::string_view prefix;
        if (DeclaredPrefix(attribute.name, prefix)) {
            m_spaces[std::string(prefix)].emplace_back(attribute.value);
            m_bindings.push_back({std::string(prefix), m_nDepth});
            m_bLastResolved = false;
        }
    }
}

// Undoes the declarations of the element that ends.
void CGpxReader::Unbind() {
    while (!m_bindings.empty() && m_bindings.back().nDepth == m_nDepth) {
        auto it = m_spaces.find(m_bindings.back().prefix);
        it->second.pop_back();
        if (it->second.empty()) {
            m_spaces.erase(it);
        }
        m_bindings.pop_back();
        m_bLastResolved = false;
    }
}

bool CGpxReader::Resolve(std::string_view prefix, std::string_view& space) {
    if (m_bLastResolved && prefix == m_lastPrefix) {
        space = m_lastSpace;
        return true;
    }
    if (auto it = m_spaces.find(std::string(prefix)); it != m_spaces.end()) {
        space = it->second.back();
    } else if (prefix.empty()) {
        space = std::string_view();
    } else if (prefix == "xml") {
        space = XML_NAMESPACE;
    } else {
        return false;
    }
    m_lastPrefix = prefix;
    m_lastSpace = space;
    m_bLastResolved = true;
    return true;
}

void CGpxReader::StartRoot(std::string_view space, std::string_view local,
                           std::string_view prefix) {
    if (local != "gpx" || !IsGpxNamespace(space)) {
        Refuse(Result::NotGpx, "the root element is \"" + std::string(local) + "\"");
        return;
    }
    m_namespace = space;
    m_structure.prefix = prefix.empty() ? std::string() : std::string(prefix) + ":";
}

void CGpxReader::StartWaypoint(const std::vector<XmlAttribute>& attributes) {
    m_bInWaypoint = true;
    m_nWaypointLine = EventLine();
    m_codec.Clear();
    for (const XmlAttribute& attribute : attributes) {
        if (attribute.name == "lat") {
            m_codec.m_strLatitude = attribute.value;
        } else if (attribute.name == "lon") {
            m_codec.m_strLongitude = attribute.value;
        }
    }
}

void CGpxReader::OnText(std::string_view text) {
    if (m_pField == nullptr || m_nDepth != 3) {
        return;
    }
    m_pField->append(text);
    if (m_pField->size() > MAX_FIELD_SIZE) {
        m_pField = nullptr;
        Refuse(Result::NotRead, "a waypoint's element holds more than 1 MiB of text");
    }
}

void CGpxReader::OnEnd() {
    Unbind();
    if (m_nDepth == 3) {
        m_pField = nullptr;
    } else if (m_nDepth == 2 && m_bInWaypoint) {
        EndWaypoint();
    } else if (m_nDepth == 1) {
        // The end of an empty element is no tag of its own.
        m_structure.bEmptyRoot = EventLength() == 0;
        if (!m_bWaypointSeen && !m_bInsertBeforeFound) {
            m_structure.nInsertAt = m_structure.bEmptyRoot ? m_nTagEnd - 2 : EventStart();
        }
    }
    --m_nDepth;
}

void CGpxReader::EndWaypoint() {
    m_bInWaypoint = false;
    m_bWaypointSeen = true;
    uint64_t nEnd = EventEnd();
    m_structure.nInsertAt =
        nEnd > m_nTagEnd ? nEnd : m_nTagEnd;  // an empty element ends with its tag
    if (m_pTable == nullptr) {
        return;
    }
    QueuedWaypoint read{std::move(m_codec),
                        WaypointOrigin{WaypointOrigin::Unit::Line, m_nWaypointLine, m_filePath}};
    if (!Deliver(std::move(read))) {
        m_result = Result::Stopped;
        StopParsing();
    }
}

bool CGpxReader::Deliver(QueuedWaypoint&& read) {
    if (m_pQueue != nullptr) {
        return m_pQueue->Push(std::move(read));
    }
    CWaypoint waypoint = Decoded(read.fields);
    m_tableStatus = m_pTable->AddWaypoint(waypoint, read.origin);
    return m_tableStatus.IsOk();
}

CWaypoint CGpxReader::Decoded(CGpxFieldCodec& fields) const {
    CWaypoint waypoint;
    fields.Decode(waypoint);
    waypoint.m_bFromTarget = m_bFromTarget;
    return waypoint;
}
