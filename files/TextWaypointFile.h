#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "files/FileKinds.h"
#include "files/TextFieldCodec.h"
#include "files/TextRowReader.h"
#include "files/WaypointFile.h"
#include "templates/TextTemplate.h"

class CWaypointFeed;

// A delimited text waypoint file (.txt, .csv), laid out by the layout the job
// was given or else by a text template that the person chooses each time the
// file is read or written. It is read in the template's encoding, or the one
// it is found to have; a new file is written in UTF-8 and an appended one in
// its own encoding, unless the template names one.
class CTextWaypointFile : public CWaypointFile {
public:
    explicit CTextWaypointFile(CWaypointFileUserInterface* pOwner,
                               const WaypointFileOptions& options = {})
        : CWaypointFile(&m_file, pOwner), m_layout(options.layout) {}

    // Reads the rows as CTextRowReader splits them; a row longer than 1 MiB, or
    // a quoted field still open at the end, ends the reading with a failure.
    Status ReadWaypoints(CWaypointTable& table, bool bFromTarget) override;

    // The template of the last reading or writing.
    CTextTemplate m_template;
    // The bytes that make a field be written in quotes: a quote, a line end,
    // the end-of-file mark and the delimiter.
    std::array<bool, 256> m_quotedBytes{};

private:
    // A row's waypoint, decoded, and where it was read.
    struct DecodedRow {
        CWaypoint waypoint;
        uint64_t nLine = 0;
        std::string coordinateNote;  // why the table refuses its coordinates, if it does
    };
    // How the reading of rows ended: the reader's last result (Row when the
    // rows were no longer wanted, Failed when the encoding could not be
    // looked for) and the line of that row.
    struct RowsEnd {
        CTextRowReader::Result result = CTextRowReader::Result::End;
        uint64_t nLine = 0;
    };

    Status ReadAlongside(CTextRowReader& reader, CTextFieldCodec& codec, bool bFromTarget,
                         CWaypointFeed& feed, RowsEnd& end);
    // Decodes the rows and hands each waypoint to deliver, until the reader
    // gives no row or deliver returns false.
    template <typename Deliver>
    RowsEnd DecodeRows(CTextRowReader& reader, CTextFieldCodec& codec, bool bFromTarget,
                       Deliver deliver);
    // Takes the template; a title row opens a file written from its start.
    Status BeginWriting() override;
    void WriteWaypoint(const WaypointView& waypoint) override;
    // The given layout, or the person's choice of template.
    Status ChooseTemplate(TemplateUse use);
    void WriteRow(const CTextFieldCodec& codec);
    bool WritePlainRow(const CTextFieldCodec& codec, char separator);
    bool NeedsQuotes(const std::string& field) const;
    // UTF-8 when the file is valid UTF-8 up to its text end byte, otherwise
    // Windows-1252 (Detect when the system failed to read). Keeps the position.
    // bTextEndMet tells whether the file has a text end byte: quoted, it is a
    // character and the reader goes on past where the guess stopped looking.
    TextEncoding FindEncoding(bool& bTextEndMet);
    TextEncoding EncodingForWriting();
    std::string LineText(uint64_t nLine) const;
    static std::string RefusedNotation(const CWaypoint& waypoint, const CTextFieldCodec& codec);

    CPlatformFile m_file;
    const std::optional<CTextTemplate> m_layout;
    std::string m_row;                            // reused to join a row's columns
    std::optional<CTextFieldCodec> m_writeCodec;  // reused for every row written
};
