#pragma once

#include <string>

#include "files/WaypointFile.h"

class CMapSourceFieldCodec;

// A MapSource waypoint file (.mps).
class CMapSourceFile : public CWaypointFile {
public:
    // Why the last ReadWaypoints stopped.
    enum class ReadEnd {
        None,               // nothing read yet
        EndRecord,          // the end record ('V') came
        FileEnded,          // the file ended, or ended inside a record
        OtherRecordType,    // a record of another type than 'W' or 'V' came
        OtherRecordLength,  // a 'W' record whose length does not match its strings
        Stopped,            // the table said stop
        Failed,             // the system failed to read (reported)
    };

    explicit CMapSourceFile(CWaypointFileUserInterface* pOwner) : CWaypointFile(&m_file, pOwner) {}

    // Reads the 'W' records that follow a header as this program writes it, and
    // ends quietly, with success, at the first record it cannot take.
    bool ReadWaypoints(CWaypointTable& table, bool bFromTarget) override;
    void GetFilter(const char*& pFilter, std::string& defaultExtension) const override;
    ReadEnd LastReadEnd() const { return m_lastReadEnd; }

private:
    // A new file gets the header; an existing one has its end record replaced.
    bool BeginWriting() override;
    void WriteWaypoint(const CWaypoint& waypoint) override;
    void EndWriting() override;

    // ReadEnd::None when a whole 'W' record was read into the codec.
    ReadEnd ReadRecord(CMapSourceFieldCodec& codec);
    ReadEnd ReadRecordBlocks(CMapSourceFieldCodec& codec);
    // Reads a string up to its 0x00 byte, leaving the position on that byte.
    ReadEnd ReadString(std::string& text);
    bool ReadBlock(unsigned char* pBlock, size_t nSize);
    bool MoveToAppendPoint();

    CPlatformFile m_file;
    ReadEnd m_lastReadEnd = ReadEnd::None;
};
