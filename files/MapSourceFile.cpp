#include "files/MapSourceFile.h"

#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/WaypointFeed.h"
#include "engine/WaypointTable.h"
#include "files/MapSourceFieldCodec.h"
#include "files/ReadQueue.h"
#include "platform/LittleEndian.h"
#include "platform/Utf8.h"

namespace {

// A waypoint record with a short name and comment, rather long: a guess too
// high costs memory, one too low only a regrowth.
constexpr uint64_t TYPICAL_RECORD_BYTES = 112;

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

std::string DescribeLetter(unsigned char c) {
    if (c > ' ' && c < 0x7F) {
        return std::string("'") + static_cast<char>(c) + "'";
    }
    const char digits[] = "0123456789ABCDEF";
    return std::string("byte 0x") + digits[c >> 4] + digits[c & 15];
}

}  // namespace

Status CMapSourceFile::ReadWaypoints(CWaypointTable& table, bool bFromTarget) {
    table.ExpectWaypoints(m_file.GetLength() / TYPICAL_RECORD_BYTES);
    CWaypointFeed feed(table);
    Status stored;
    ReadEnd end = ReadAlongside(feed, bFromTarget, stored);
    if (!stored.IsOk()) {
        return stored;
    }
    // Waypoints read before a fault of the file come first.
    if (Status status = feed.Flush(); !status.IsOk()) {
        return status;
    }
    return end == ReadEnd::EndRecord ? Status() : m_readStatus;
}

// Reading and decoding the records takes about as long as storing their
// waypoints: the file is walked on a thread of its own, which also lowers and
// hashes the names for the table (without a thread, in turns with the
// storing). stored is what the table said of the last waypoint it took.
CMapSourceFile::ReadEnd CMapSourceFile::ReadAlongside(CWaypointFeed& feed, bool bFromTarget,
                                                      Status& stored) {
    auto origin = [this](uint64_t nRecord) {
        return WaypointOrigin{WaypointOrigin::Unit::Record, nRecord, m_file.GetFilePath()};
    };
    struct WaypointRead {
        CWaypoint waypoint;
        uint64_t nRecord;
        uint32_t nNameHash;
    };
    CReadQueue<WaypointRead> queue;
    const Deliver push = [&queue](CWaypoint&& waypoint, uint64_t nRecord) {
        LowerText(waypoint.m_strName);
        uint32_t nNameHash = CWaypointTable::NameHash(waypoint.m_strName);
        size_t nBytes = waypoint.m_strName.size() + waypoint.m_strComment.size();
        return queue.Push(WaypointRead{std::move(waypoint), nRecord, nNameHash}, nBytes);
    };
    Structure structure;
    ReadEnd end = ReadEnd::None;
    std::exception_ptr failure;
    std::thread walker;
    try {
        walker = std::thread([&] {
            try {
                end = Walk(&push, bFromTarget, structure);
            } catch (...) {
                failure = std::current_exception();
            }
            queue.Finish();
        });
    } catch (const std::system_error&) {
        const Deliver store = [&](CWaypoint&& waypoint, uint64_t nRecord) {
            stored = feed.Add(std::move(waypoint), origin(nRecord), std::string());
            return stored.IsOk();
        };
        return Walk(&store, bFromTarget, structure);
    }
    {
        CJoinReader<WaypointRead> join(queue, walker);
        std::vector<WaypointRead> batch;
        while (stored.IsOk() && queue.Pop(batch)) {
            for (auto it = batch.begin(); stored.IsOk() && it != batch.end(); ++it) {
                stored = feed.AddLowered(std::move(it->waypoint), it->nNameHash,
                                         origin(it->nRecord), std::string());
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return end;
}

CMapSourceFile::ReadEnd CMapSourceFile::Walk(const Deliver* pDeliver, bool bFromTarget,
                                             Structure& structure) {
    m_readStatus = Status();
    uint64_t nLength = m_file.GetLength();
    unsigned char signature[MPS_SIGNATURE_SIZE] = {};
    if (!m_file.Seek(0, CPlatformFile::SeekFrom::Begin)) {
        return Failed();
    }
    size_t nRead = m_file.Read(signature, MPS_SIGNATURE_SIZE);
    if (m_file.HasFailed()) {
        return Failed();
    }
    if (nRead != MPS_SIGNATURE_SIZE || std::memcmp(signature, MPS_SIGNATURE, nRead) != 0) {
        return Refused(ReadEnd::NotMapSource, "File " + Quoted(m_file.GetFilePath()) +
                                                  " is not a MapSource waypoint file");
    }
    structure = Structure();
    bool bInsertPointFound = false;
    for (uint64_t nOffset = MPS_SIGNATURE_SIZE;;) {
        if (nOffset == nLength) {
            return Damaged(nOffset, "the file ends without its end record");
        }
        unsigned char head[MPS_RECORD_HEAD_SIZE];
        if (nLength - nOffset < MPS_RECORD_HEAD_SIZE ||
            m_file.Read(head, MPS_RECORD_HEAD_SIZE) != MPS_RECORD_HEAD_SIZE) {
            return m_file.HasFailed() ? Failed()
                                      : Damaged(nOffset, "a record runs past the end of the file");
        }
        uint32_t nBody = LoadLittleEndian(head, 4);
        char type = static_cast<char>(head[4]);
        if (nBody > nLength - nOffset - MPS_RECORD_HEAD_SIZE) {
            return Damaged(nOffset, "a record of " + std::to_string(nBody) +
                                        " bytes runs past the end of the file");
        }
        ReadEnd end = ReadEnd::None;
        if (structure.layout == MapSourceLayout::None) {
            end = ReadFormat(nOffset, nBody, type, structure);
        } else if (type == MPS_WAYPOINT_TYPE) {
            ++structure.nWaypointRecords;
            end = ReadWaypoint(nOffset, nBody, structure, pDeliver, bFromTarget);
            structure.nInsertAt = nOffset + MPS_RECORD_HEAD_SIZE + nBody;
            bInsertPointFound = true;
        } else if (type == MPS_ROUTE_TYPE || type == MPS_TRACK_TYPE ||
                   type == MPS_MAP_SEGMENT_TYPE || type == MPS_END_TYPE) {
            if (!bInsertPointFound) {
                structure.nInsertAt = nOffset;
                bInsertPointFound = true;
            }
            if (type == MPS_END_TYPE) {
                return ReadEnd::EndRecord;
            }
        }
        if (end != ReadEnd::None) {
            return end;
        }
        nOffset += MPS_RECORD_HEAD_SIZE + nBody;
        if (!m_file.Seek(static_cast<int64_t>(nOffset), CPlatformFile::SeekFrom::Begin)) {
            return Failed();
        }
    }
}

CMapSourceFile::ReadEnd CMapSourceFile::ReadFormat(uint64_t nOffset, uint32_t nBody, char type,
                                                   Structure& structure) {
    if (type != MPS_FORMAT_TYPE) {
        return Damaged(nOffset, "the file does not begin with its format record");
    }
    char letter = 0;
    if (nBody == 0 || m_file.Read(&letter, 1) != 1) {
        return m_file.HasFailed() ? Failed() : Damaged(nOffset, "the format record is empty");
    }
    structure.layout = LayoutOfFormatLetter(letter);
    if (structure.layout == MapSourceLayout::None) {
        return Refused(ReadEnd::UnknownFormat,
                       "File " + Quoted(m_file.GetFilePath()) +
                           " is a MapSource file of a version this program cannot read (format "
                           "letter " +
                           DescribeLetter(static_cast<unsigned char>(letter)) + ")");
    }
    return ReadEnd::None;
}

CMapSourceFile::ReadEnd CMapSourceFile::ReadWaypoint(uint64_t nOffset, uint32_t nBody,
                                                     const Structure& structure,
                                                     const Deliver* pDeliver, bool bFromTarget) {
    if (nBody > MPS_MAX_WAYPOINT_BODY) {
        return Damaged(nOffset, "a waypoint record of " + std::to_string(nBody) +
                                    " bytes is longer than any waypoint");
    }
    m_body.resize(nBody);
    if (m_file.Read(m_body.data(), nBody) != nBody) {
        return m_file.HasFailed() ? Failed()
                                  : Damaged(nOffset, "a record runs past the end of the file");
    }
    CMapSourceFieldCodec codec;
    if (!codec.ParseBody(m_body.data(), nBody, structure.layout)) {
        return Damaged(nOffset, "the fields of a waypoint record do not fit inside its length of " +
                                    std::to_string(nBody) + " bytes");
    }
    if (pDeliver == nullptr) {
        return ReadEnd::None;
    }
    CWaypoint waypoint;
    codec.Decode(waypoint);
    waypoint.m_bFromTarget = bFromTarget;
    return (*pDeliver)(std::move(waypoint), structure.nWaypointRecords) ? ReadEnd::None
                                                                        : ReadEnd::Stopped;
}

CMapSourceFile::ReadEnd CMapSourceFile::Damaged(uint64_t nOffset, const std::string& what) {
    return Refused(ReadEnd::Damaged, "File " + Quoted(m_file.GetFilePath()) +
                                         " is damaged at byte " + std::to_string(nOffset) + ": " +
                                         what);
}

CMapSourceFile::ReadEnd CMapSourceFile::Failed() {
    m_readStatus = FileFailure("read");
    return ReadEnd::Failed;
}

CMapSourceFile::ReadEnd CMapSourceFile::Refused(ReadEnd end, std::string message) {
    m_readStatus = Status::Failed(std::move(message));
    return end;
}

Status CMapSourceFile::BeginWriting() {
    m_tail.clear();
    uint64_t nLength = m_file.GetLength();
    if (m_file.HasFailed()) {
        return FileFailure("write");
    }
    if (nLength == 0) {
        m_writeLayout = MapSourceLayout::Version3;
        m_file.Write(MPS_HEADER, MPS_HEADER_SIZE);
        m_tail.assign(reinterpret_cast<const char*>(MPS_END_RECORD), MPS_END_RECORD_SIZE);
        return Status();
    }
    Structure structure;
    if (Walk(nullptr, true, structure) != ReadEnd::EndRecord) {
        return m_readStatus;
    }
    m_writeLayout = structure.layout;
    m_tail.resize(nLength - structure.nInsertAt);
    auto nInsertAt = static_cast<int64_t>(structure.nInsertAt);
    if (!m_file.Seek(nInsertAt, CPlatformFile::SeekFrom::Begin) ||
        m_file.Read(m_tail.data(), m_tail.size()) != m_tail.size()) {
        return FileFailure("read");
    }
    return m_file.Seek(nInsertAt, CPlatformFile::SeekFrom::Begin) ? Status() : FileFailure("write");
}

// The record is encoded straight into the file's buffer, unless it is longer than that.
void CMapSourceFile::WriteWaypoint(const WaypointView& waypoint) {
    CMapSourceFieldCodec codec;
    codec.Encode(waypoint);
    m_nReplacedCharacters += codec.m_nReplaced;
    size_t nSize = codec.RecordSize(m_writeLayout);
    if (char* pSpace = m_file.WriteSpace(nSize)) {
        codec.StoreRecord(pSpace, m_writeLayout);
        return;
    }
    m_record.resize(nSize);
    codec.StoreRecord(m_record.data(), m_writeLayout);
    m_file.Write(m_record.data(), m_record.size());
}

void CMapSourceFile::EndWriting() {
    m_file.Write(m_tail.data(), m_tail.size());
    m_tail.clear();
    m_tail.shrink_to_fit();
}
