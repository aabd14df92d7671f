#include <gtest/gtest.h>

#include <string>

#include "files/TitleRow.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

namespace {

std::string Record(const CTextTemplate& layout) {
    unsigned char bytes[CTextTemplate::RECORD_SIZE];
    layout.Encode(bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// The titles people give their columns, in the delimiters they use; the
// layout found reads the file from line 2.
TEST(TitleRow, CommonTitlesNameTheColumns) {
    CTempDir dir;
    const std::string path = dir.File("titles.csv");
    struct Case {
        std::string firstLine;
        CTextTemplate expected;  // nameless: not found
        const char* problem;
    };
    const Case cases[] = {
        {"NAME,LATITUDE,LONGITUDE,COMMENT\r\n", MakeTemplate(0, 1, 2, 3, 2, ',', ""), ""},
        {"\xEF\xBB\xBFid;Lat;Lng;Ident;Notes\n", MakeTemplate(3, 1, 2, 4, 2, ';', ""), ""},
        {"x\ty\ttitle\tdesc\r\n", MakeTemplate(2, 1, 0, 3, 2, '\t', ""), ""},
        {"\" Name \",\"lat\",\"long, deg\",lon\n", MakeTemplate(0, 1, 3, 4, 2, ',', ""), ""},
        {"Latitude;Longitude;Title, city\n", {}, "no title for the name (name, title, ident)"},
        {"name\n", {}, "no title for the latitude (lat, latitude, y); no title for the longitude"},
        {"", {}, "has no titles on its first line"},
        {"\"name,lat,lon\n", {}, "begins a quoted field that is not closed"},
        {std::string(1 << 21, 'x'), {}, "is longer than 1 MiB"},
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.firstLine + "a,1,2,x\r\n");
        if (c.firstLine.empty()) {
            WriteBytes(path, "");
        }
        CTextTemplate layout;
        std::string problem;
        bool bFound = FindColumnsFromTitles(path, layout, problem);
        EXPECT_EQ(bFound, *c.problem == '\0') << c.firstLine;
        if (bFound) {
            EXPECT_EQ(Record(layout), Record(c.expected)) << c.firstLine;
        } else {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        }
    }
}

}  // namespace
