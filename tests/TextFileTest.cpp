#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/TextRowReader.h"
#include "files/TextWaypointFile.h"
#include "tests/WaypointFileFixture.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

class TextFile : public WaypointFile<CTextWaypointFile> {
protected:
    Rows RowsOf(const std::string& bytes, char delimiter) {
        WriteBytes(path, bytes);
        CPlatformFile file;
        EXPECT_TRUE(file.Open(path, OPEN_SOURCE));
        CTextRowReader reader(file, delimiter);
        Rows rows;
        std::vector<std::string_view> fields;
        while (reader.Next(fields) == CTextRowReader::Result::Row) {
            rows.emplace_back(fields.begin(), fields.end());
        }
        return rows;
    }
};

// The layout decides the columns; a field is quoted when it holds the
// delimiter, a quote or a line break.
TEST_F(TextFile, TheWriterFollowsTheLayoutAndQuotesWhenNeeded) {
    const std::string comma = "NAME,LATITUDE,LONGITUDE,COMMENT\r\na,32.500000,-117.250000,";
    const std::string tab = "NAME\tLATITUDE\tLONGITUDE\tCOMMENT\r\na\t32.500000\t-117.250000\t";
    struct Case {
        CTextTemplate layout;
        const char* comment;
        std::string file;
    };
    const Case cases[] = {
        {MakeTemplate(2, 0, 1, 4, 2, ','), "x",
         "LATITUDE,LONGITUDE,NAME,,COMMENT\r\n32.500000,-117.250000,a,,x"},
        {MakeTemplate(0, 1, 2, 100, 1, '\t'), "c, d",
         "NAME\tLATITUDE\tLONGITUDE" + std::string(98, '\t') +
             "COMMENT\r\na\t32.500000\t-117.250000" + std::string(98, '\t') + "c, d"},
        {SIMPLE, "x, \"y\"", comma + "\"x, \"\"y\"\"\""},
        {SIMPLE, "two\nlines", comma + "\"two\r\nlines\""},
        {MakeTemplate(0, 1, 2, 3, 1, '\t'), "tab\there", tab + "\"tab\there\""},
        {MakeTemplate(0, 1, 2, 3, 1, '\t'), "x, y", tab + "x, y"},
        {MakeTemplate(0, 1, 2, 3, 1, '\0'), "x, \"y\"", comma + "x, \"y\""},  // nothing quoted
    };
    for (const Case& c : cases) {
        ui.templateAnswers.assign(1, c.layout);
        ASSERT_TRUE(Write({MakeWaypoint("a", 32.5, -117.25, c.comment)}));
        EXPECT_EQ(ReadBytes(path), c.file + "\r\n") << c.comment;
    }
    EXPECT_EQ(ui.templateUses, std::vector<TemplateUse>(7, TemplateUse::Write));
}

TEST_F(TextFile, RowsFieldsAndLineEnds) {
    struct Case {
        std::string bytes;
        char delimiter;
        Rows rows;
    };
    const Case cases[] = {
        {"a,b,", ',', {{"a", "b"}}},  // a trailing delimiter adds no field
        {",a\n\nb", ',', {{"", "a"}, {}, {"b"}}},
        {"\"a,b\",c", '\0', {{"\"a,b\",c"}}},
        {" \"x,y\" ", ',', {{" \"x", "y\" "}}},  // a quote after a blank is a character
        {"a\"b,c", ',', {{"a\"b", "c"}}},
        {"\"x,y\",b", ',', {{"x,y", "b"}}},
        {"\"say \"\"hi\"\"\",\"\"", ',', {{"say \"hi\"", ""}}},
        {"\"two\r\nlines\",b\r\nc", ',', {{"two\nlines", "b"}, {"c"}}},
        {"\"ab\"cd,e", ',', {{"abcd", "e"}}},
        {std::string("ab\0cd,e\n\"f\0g,h\",i", 18), ',', {{"ab", "e"}, {"f", "i"}}},
        {"a\r\nb\nc", ',', {{"a"}, {"b"}, {"c"}}},
        {"a\rb\nc", ',', {{"a\rb"}, {"c"}}},                // a lone CR beside LF is a character
        {"a\rb\r\"c\rd\"", ',', {{"a"}, {"b"}, {"c\nd"}}},  // no LF at all: CR ends lines
        {"\xEF\xBB\xBF,b\n", ',', {{"", "b"}}},             // the byte order mark is not read
        {"a\x1A\nb", ',', {{"a"}}},
        {"\"x\x1Ay\",z\x1Aw", ',', {{"x\x1Ay", "z"}}},  // a quoted 0x1A is a character
    };
    // After a plain row of every length, each byte of the case stands at
    // every place of a block of bytes that the reader looks at together (a
    // case that needs to be at the start of the file, or with no LF, aside).
    for (const Case& c : cases) {
        if (c.bytes.find('\n') == std::string::npos || c.bytes.rfind("\xEF", 0) == 0) {
            continue;
        }
        for (size_t nPlain = 0; nPlain < 40; ++nPlain) {
            std::string plain(nPlain, 'p');
            Rows rows = {nPlain == 0 ? std::vector<std::string>{}
                                     : std::vector<std::string>{plain}};
            rows.insert(rows.end(), c.rows.begin(), c.rows.end());
            EXPECT_EQ(RowsOf(plain + "\r\n" + c.bytes, c.delimiter), rows) << nPlain << c.bytes;
        }
    }
}

// Fields are views of the reader's buffer, or copies where quotes split
// them; rows that cross where the buffer is refilled, or that outgrow it,
// read the same.
TEST_F(TextFile, RowsAcrossBufferRefillsReadTheSame) {
    const std::string tail = "\"a\"\"b\r\nc\",plain,\"x\"y,\"\"\r\nlast,\"q\"\n";
    const Rows tailRows = {{"a\"b\nc", "plain", "xy", ""}, {"last", "q"}};
    for (size_t nBoundary : {size_t{1} << 16, size_t{1} << 17, size_t{3} << 17}) {
        for (size_t nFiller = nBoundary - 24; nFiller < nBoundary + 2; ++nFiller) {
            std::string filler(nFiller - 1, 'f');
            Rows rows = RowsOf(filler + "\n" + tail, ',');
            ASSERT_EQ(rows.size(), 3u) << nFiller;
            EXPECT_EQ(rows[0], std::vector<std::string>{filler}) << nFiller;
            EXPECT_EQ(Rows(rows.begin() + 1, rows.end()), tailRows) << nFiller;
        }
    }
    std::string wide(300000, 'w');
    EXPECT_EQ(RowsOf("\"" + wide + "\"\"\"," + wide + "\nz", ','),
              (Rows{{wide + "\"", wide}, {"z"}}));
}

TEST_F(TextFile, LongRowsAndOpenQuotesAreRefusedWithTheirLine) {
    const size_t nMiB = 1 << 20;
    std::string lineOf = "Line 2 of file \"" + path + "\"";
    struct Case {
        std::string bytes;
        std::string message;  // empty: read
    };
    const Case cases[] = {
        {"a,1,1\n" + std::string(2 * nMiB, 'x') + "\n", lineOf + " is longer than 1 MiB"},
        {"a,1,1\n\"" + std::string(nMiB / 2, 'x') + "\n" + std::string(nMiB / 2, 'y') + "\"\n",
         lineOf + " is longer than 1 MiB"},
        {std::string(2 * nMiB, 'x'), "Line 1 of file \"" + path + "\" is longer than 1 MiB"},
        {"a,1,1\nb,1,1,\"open\nc\n",
         lineOf + " begins a quoted field that is not closed before the end of the file"},
        {"a,1,1\nb,1,1," + std::string(nMiB - 6, 'c') + "\r\n", ""},  // exactly 1 MiB
        {"a,1,1\nb,1,1," + std::string(nMiB - 5, 'c') + "\r\n", lineOf + " is longer than 1 MiB"},
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.bytes);
        ui.templateAnswers.assign(1, SIMPLE);
        ui.messages.clear();
        bool bResult = false;
        Read(&bResult);
        EXPECT_EQ(bResult, c.message.empty()) << c.message;
        EXPECT_EQ(ui.messages, c.message.empty() ? std::vector<std::string>{}
                                                 : std::vector<std::string>{c.message});
    }
}

// The table settles each waypoint before the reader reports a fault further on.
// Rows are decoded ahead of the storing, by many batches in a long file: what
// is reported is still the first thing that went wrong, in the file's order.
TEST_F(TextFile, AWaypointRefusedBeforeAFaultOfTheFileIsWhatStopsTheReading) {
    ui.templateAnswers.assign(1, SIMPLE);
    ExpectReadStoppedWith("a,1,1\nb,95,1\nc,1,1,\"open\n", "Stopped at waypoint \"b\", line 2 of");
    std::string rows;
    for (int i = 0; i < 30000; ++i) {
        rows += "a" + std::to_string(i) + ",1,1\n";
    }
    ui.templateAnswers.assign(1, SIMPLE);
    ExpectReadStoppedWith(rows + "b,95,1\n" + rows + "c,1,1,\"open\n",
                          "Stopped at waypoint \"b\", line 30001 of");
    ui.templateAnswers.assign(1, SIMPLE);
    ExpectReadStoppedWith(rows + "c,1,1,\"open\n", "Line 30001 of file \"" + path + "\" begins");
}

// As a spreadsheet program saves it, with a byte order mark, quotes, and
// coordinates with hemispheres.
TEST_F(TextFile, ASpreadsheetSavedFileReadsAsThePersonSeesIt) {
    WriteBytes(path,
               "\xEF\xBB\xBFName,Latitude,Longitude,Comment\r\n"
               "\"Hut A\",46.558,7.835,\"water, wood, 12 beds\"\r\n"
               "Pass 2,46.5702 N,7.8911\xC2\xB0 E,\"says \"\"col\"\"\"\r\n"
               "Queenstown,S 45.0312,168.6626e,\"two\r\nlines\"\r\n");
    ui.templateAnswers.assign(1, MakeTemplate(0, 1, 2, 3, 2, ','));
    EXPECT_EQ(Described(),
              (std::vector<std::string>{"hut a|46.558000|7.835000|water, wood, 12 beds",
                                        "pass 2|46.570200|7.891100|says \"col\"",
                                        "queenstown|-45.031200|168.662600|two\nlines"}));
}

// UTF-8 with or without a byte order mark, Windows-1252, invalid UTF-8, and
// what a named encoding makes of each: the waypoints' text is UTF-8.
TEST_F(TextFile, EncodingsAreFoundOrTakenAsNamed) {
    const std::string zurich =
        "Zurich,1,2,Gr\xC3\xBC"
        "ezi \xE2\x82\xAC\r\n";
    const std::string zurich1252 =
        "Zurich,1,2,Gr\xFC"
        "ezi \x80\r\n";
    const std::string expected =
        "zurich|1.000000|2.000000|gr\xC3\xBC"
        "ezi \xE2\x82\xAC";
    auto plainRowsOf = [](const std::string& prefix) {
        std::string rows;
        for (int i = 0; i < 20000; ++i) {
            rows += prefix + std::to_string(i) + ",1,2,x\r\n";
        }
        return rows;
    };
    const std::string plainRows = plainRowsOf("a");
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        std::string described;
    };
    const Case cases[] = {
        {zurich, TextEncoding::Detect, expected},
        {"\xEF\xBB\xBF" + zurich, TextEncoding::Detect, expected},
        {zurich1252, TextEncoding::Detect, expected},
        {zurich1252, TextEncoding::Windows1252, expected},
        // One invalid byte, even far down the file, makes it all Windows-1252.
        {zurich + "y,1,2," + std::string(100000, 'a') + "\r\nx,1,2,\xE9\r\n", TextEncoding::Detect,
         "x|1.000000|2.000000|\xC3\xA9"},
        // The first text beyond ASCII far down the file, and in a column that
        // is not read: the file's encoding is still found from all of it.
        {plainRows + zurich, TextEncoding::Detect, expected},
        {plainRows + zurich1252, TextEncoding::Detect, expected},
        {plainRows + "b,1,2,c,\xE9\r\n" + plainRowsOf("z") + "x,1,2,\xC3\xA9\r\n",
         TextEncoding::Detect, "x|1.000000|2.000000|\xC3\xA3\xC2\xA9"},
        {zurich1252, TextEncoding::Utf8,
         "zurich|1.000000|2.000000|gr\xEF\xBF\xBD"
         "ezi \xEF\xBF\xBD"},
        // A quoted 0x1A is a character: what follows it is read, and the guess
        // made before it holds, so bytes that are not UTF-8 there are replaced.
        {zurich + "x,1,2,\"a\x1A\xE9\"\r\n", TextEncoding::Detect,
         "x|1.000000|2.000000|a\x1A\xEF\xBF\xBD"},
        {"a,N 1\xC2\xB0 30',E 2\xC2\xBA,\xC3\x9C"
         "ber\r\n",
         TextEncoding::Detect,
         "a|1.500000|2.000000|\xC3\xBC"
         "ber"},
        {"a,N 1\xB0 30',E 2\xBA,\xDC"
         "ber\r\n",
         TextEncoding::Detect,
         "a|1.500000|2.000000|\xC3\xBC"
         "ber"},
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.bytes);
        CTextTemplate layout = SIMPLE;
        layout.encoding = c.encoding;
        ui.templateAnswers.assign(1, layout);
        std::vector<std::string> described = Described();
        ASSERT_FALSE(described.empty()) << c.bytes.substr(0, 40);
        EXPECT_EQ(described.back(), c.described) << c.bytes.substr(0, 40);
    }
}

// A new file is UTF-8 unless the layout names Windows-1252; an appended one
// keeps the encoding it has. What Windows-1252 lacks is replaced and counted.
TEST_F(TextFile, WritingKeepsTheFilesEncoding) {
    const CWaypoint lodz = MakeWaypoint("lodz", 1, 2,
                                        "\xC5\x81\xC3\xB3"
                                        "d\xC5\xBA");
    const std::string TITLE = "NAME,LATITUDE,LONGITUDE,COMMENT\r\n";
    CTextTemplate windows = SIMPLE;
    windows.encoding = TextEncoding::Windows1252;
    struct Case {
        std::string before;  // empty: a new file
        CTextTemplate layout;
        std::string after;
    };
    const Case cases[] = {
        {"", SIMPLE,
         TITLE + "lodz,1.000000,2.000000,\xC5\x82\xC3\xB3"
                 "d\xC5\xBA\r\n"},
        {"", windows,
         TITLE + "lodz,1.000000,2.000000,l\xF3"
                 "dz\r\n"},
        {"cafe,1,1,\xE9\r\n", SIMPLE,
         "cafe,1,1,\xE9\r\nlodz,1.000000,2.000000,l\xF3"
         "dz\r\n"},
        {"cafe,1,1,\xC3\xA9\r\n", SIMPLE,
         "cafe,1,1,\xC3\xA9\r\nlodz,1.000000,2.000000,\xC5\x82\xC3\xB3"
         "d\xC5\xBA\r\n"},
    };
    for (const Case& c : cases) {
        ui.templateAnswers.assign(2, c.layout);
        unsigned nMode = OPEN_TARGET_NEW;
        if (!c.before.empty()) {
            WriteBytes(path, c.before);
            nMode = OPEN_TARGET_APPEND;
        }
        ASSERT_TRUE(Write({lodz}, nMode));
        EXPECT_EQ(ReadBytes(path), c.after) << c.before;
    }
}

// What spreadsheet programs save in German, French or Italian settings reads,
// and writes back the same way.
TEST_F(TextFile, SemicolonsAndDecimalCommasBothWays) {
    CTextTemplate semicolons = MakeTemplate(0, 1, 2, 3, 2, ';');
    semicolons.decimalComma = true;
    const std::string file =
        "NAME;LATITUDE;LONGITUDE;COMMENT\r\n"
        "geneve;46,204400;6,143200;\"l\xC3\xA9man; jet d'eau\"\r\n";
    WriteBytes(path, file);
    ui.templateAnswers.assign(1, semicolons);
    std::vector<CWaypoint> read = Read();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].m_dLatitude, 46.2044);
    EXPECT_EQ(read[0].m_strComment, "l\xC3\xA9man; jet d'eau");
    ui.templateAnswers.assign(1, semicolons);
    ASSERT_TRUE(Write(read));
    EXPECT_EQ(ReadBytes(path), file);
}

TEST_F(TextFile, ACancelledOrImpossibleTemplateReadsAndWritesNothing) {
    WriteBytes(path, "a,1,1\n");
    CTextTemplate broken = SIMPLE;
    broken.commentColumn = 0x7FFFFFFF;
    ui.templateAnswers = {std::nullopt, broken};
    for (int i = 0; i < 2; ++i) {
        bool bResult = true;
        EXPECT_TRUE(Read(&bResult).empty());
        EXPECT_FALSE(bResult);
    }
    EXPECT_EQ(ui.messages.size(), 1u);  // only the impossible column is reported
    ui.templateAnswers = {std::nullopt};
    EXPECT_FALSE(Write({MakeWaypoint("b")}, OPEN_TARGET_APPEND));
    EXPECT_EQ(ReadBytes(path), "a,1,1\n");
}

}  // namespace
