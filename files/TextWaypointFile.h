#pragma once

#include <cstdint>
#include <string>

#include "files/WaypointFile.h"
#include "templates/TextTemplate.h"

class CTextFieldCodec;

// A delimited text waypoint file (.txt, .csv), laid out by a text template
// that the person chooses each time the file is read or written.
class CTextWaypointFile : public CWaypointFile {
public:
    explicit CTextWaypointFile(CWaypointFileUserInterface* pOwner)
        : CWaypointFile(&m_file, pOwner) {}

    // Reads the rows as CTextRowReader splits them; a row longer than 1 MiB, or
    // a quoted field still open at the end, is reported and ends the reading.
    bool ReadWaypoints(CWaypointTable& table, bool bFromTarget) override;
    void GetFilter(const char*& pFilter, std::string& defaultExtension) const override;

    // The last template chosen; it is kept for the life of the object.
    CTextTemplate m_template;

private:
    // Asks for the template; a title row opens a file written from its start.
    bool BeginWriting() override;
    void WriteWaypoint(const CWaypoint& waypoint) override;
    bool ChooseTemplate(bool bOwned);
    void WriteRow(const CTextFieldCodec& codec);
    bool NeedsQuotes(const std::string& field) const;
    std::string LineText(uint64_t nLine) const;

    CPlatformFile m_file;
    std::string m_row;  // reused to join a row's columns
};
