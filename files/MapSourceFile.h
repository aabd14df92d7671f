#pragma once

#include <string>

#include "files/WaypointFile.h"

class CMapSourceFieldCodec;

// A MapSource waypoint file (.mps).
class CMapSourceFile : public CWaypointFile {
public:
    explicit CMapSourceFile(CUserInterface* pOwner) : CWaypointFile(&m_file, pOwner) {}

    // Reads the 'W' records that follow a header as this program writes it, and
    // ends quietly, with success, at the first record it cannot take.
    bool ReadWaypoints(CWaypointTable& table, bool bFromTarget) override;
    // A new file gets the header; an existing one has its end record replaced.
    bool WriteWaypoints(CWaypointTable& table) override;
    void GetFilter(const char*& pFilter, std::string& defaultExtension) const override;

private:
    enum class ReadResult { Record, End, Failed };

    ReadResult ReadRecord(CMapSourceFieldCodec& codec);
    // Reads a string up to its 0x00 byte, leaving the position on that byte.
    bool ReadString(std::string& text);
    bool ReadBlock(unsigned char* pBlock, size_t nSize);
    bool MoveToAppendPoint();
    void WriteRecord(const CMapSourceFieldCodec& codec);

    CPlatformFile m_file;
};
