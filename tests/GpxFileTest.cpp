#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "files/GarminSymbols.h"
#include "files/GpxFile.h"
#include "files/MapSourceFile.h"
#include "files/TextWaypointFile.h"
#include "tests/MapSourceBytes.h"
#include "tests/WaypointFileFixture.h"

namespace {

// A file of tests/data.
std::string Sample(const std::string& name) {
    return mps::Sample(name);
}

CWaypoint WithAttributes(CWaypoint waypoint, double dElevation, int32_t nSymbol) {
    waypoint.SetElevation(dElevation);
    waypoint.SetSymbol(nSymbol);
    return waypoint;
}

// "name|latitude|longitude|comment|elevation|symbol", "-" for what is absent.
std::string Describe(const CWaypoint& waypoint) {
    return waypoint.m_strName + "|" + FormatDegrees(waypoint.m_dLatitude) + "|" +
           FormatDegrees(waypoint.m_dLongitude) + "|" + waypoint.m_strComment + "|" +
           (waypoint.m_bHasElevation ? FormatDegrees(waypoint.m_dElevation) : "-") + "|" +
           (waypoint.m_bHasSymbol ? std::to_string(waypoint.m_nSymbol) : "-");
}

class GpxFile : public WaypointFile<CGpxFile> {
protected:
    // Reads one file into a new table and writes it to a new file of another kind.
    template <typename From, typename To>
    void Convert(const std::string& from, const std::string& to) {
        CWaypointTable table(&ui);
        From source(&ui);
        ASSERT_TRUE(source.File().Open(from, OPEN_SOURCE));
        ASSERT_TRUE(ui.Shown(source.ReadWaypoints(table, false))) << from;
        To target(&ui);
        ASSERT_TRUE(target.File().Open(to, OPEN_TARGET_NEW));
        ASSERT_TRUE(ui.Shown(target.Export(table))) << to;
    }
    template <typename FileType>
    std::vector<std::string> DescribeFile(const std::string& file) {
        CWaypointTable table(&ui);
        FileType reader(&ui);
        EXPECT_TRUE(reader.File().Open(file, OPEN_SOURCE));
        EXPECT_TRUE(ui.Shown(reader.ReadWaypoints(table, false))) << file;
        std::vector<std::string> lines;
        for (const CWaypoint& waypoint : DrainTable(table)) {
            lines.push_back(Describe(waypoint));
        }
        return lines;
    }

    std::vector<std::string> DescribedFully(bool* pbResult = nullptr) {
        std::vector<std::string> lines;
        for (const CWaypoint& waypoint : Read(pbResult)) {
            lines.push_back(Describe(waypoint));
        }
        return lines;
    }
    std::string NotRead(int nLine, const std::string& why) {
        return "File \"" + path + "\" cannot be read as GPX at line " + std::to_string(nLine) +
               ": " + why;
    }
};

TEST_F(GpxFile, ReadsTheWaypointsAndPassesOverEverythingElse) {
    WriteBytes(path, Sample("features.gpx"));
    bool bResult = false;
    EXPECT_EQ(DescribedFully(&bResult),
              (std::vector<std::string>{
                  "hut-a|46.558000|7.835000|mountain hut & water <12 beds> caf\xC3\xA9 \xE2\x82\xAC"
                  "5|1034.500000|59",
                  "home|32.500000|-117.250000|front & \"door\"|-|10",
                  "queenstown|-45.031200|168.662600||-12.000000|18"}));
    EXPECT_TRUE(bResult);
    WriteBytes(path, Sample("mixed.gpx"));
    EXPECT_EQ(DescribedFully(&bResult),
              (std::vector<std::string>{
                  "hut-a|46.558000|7.835000|water, wood, 12 beds|1034.000000|240",
                  "pass_2|46.570200|7.891100|col|-|-", "queenstown|-45.031200|168.662600||-|-"}));
    EXPECT_TRUE(bResult);
    // Text in an encoding the file declares, one that expat does not know by itself.
    WriteBytes(path,
               "<?xml version=\"1.0\" encoding=\"Windows-1252\"?>\n<gpx "
               "xmlns=\"http://www.topografix.com/GPX/1/0\"><wpt lat=\"1\" lon=\"2\"><name>a</name>"
               "<desc>\x80 caf\xE9 \x81</desc></wpt></gpx>");
    EXPECT_EQ(
        DescribedFully(&bResult),
        std::vector<std::string>{"a|1.000000|2.000000|\xE2\x82\xAC caf\xC3\xA9 \xC2\x81|-|-"});
    EXPECT_TRUE(bResult);
    EXPECT_TRUE(ui.messages.empty());
}

// An element is GPX when its prefix, or the default, is bound to GPX's
// namespace where it stands: on itself, its waypoint or the root.
TEST_F(GpxFile, ReadsTheElementsWhoseNamespaceIsGpxWhereTheyStand) {
    const std::string gpx11 = "\"http://www.topografix.com/GPX/1/1\"";
    const std::string other = "\"urn:other\"";
    struct Case {
        std::string body;  // of a root in GPX's namespace, prefixed "g"
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"<g:wpt lat=\"1\" lon=\"2\"><g:name>a</g:name></g:wpt>", {"a"}},
        {"<wpt xmlns=" + gpx11 + " lat=\"1\" lon=\"2\"><name>a</name></wpt>", {"a"}},
        {"<h:wpt xmlns:h=" + gpx11 + " lat=\"1\" lon=\"2\"><h:name>a</h:name></h:wpt>", {"a"}},
        {"<g:wpt lat=\"1\" lon=\"2\"><name xmlns=" + gpx11 + ">a</name></g:wpt>", {"a"}},
        // A binding ends with its element: the second waypoint's g is GPX again.
        {"<g:wpt xmlns:g=" + other +
             " lat=\"1\" lon=\"2\"><g:name>a</g:name></g:wpt>"
             "<g:wpt lat=\"1\" lon=\"2\"><g:name>b</g:name></g:wpt>",
         {"b"}},
        {"<g:wpt lat=\"1\" lon=\"2\"><g:name>a</g:name><g:name xmlns:g=" + other +
             ">b</g:name></g:wpt>",
         {"a"}},
        {"<wpt lat=\"1\" lon=\"2\"><g:name>a</g:name></wpt>", {}},
        {"<g:wpt lat=\"1\" lon=\"2\" xmlns=" + gpx11 + "><name>a</name></g:wpt>", {"a"}},
        {"<g:wpt lat=\"1\" lon=\"2\"><g:name>a</g:name><x:e xmlns:x=" + other +
             "><g:name>b</g:name></x:e></g:wpt>",
         {"a"}},
    };
    for (const Case& c : cases) {
        WriteBytes(path, "<g:gpx xmlns:g=" + gpx11 + ">" + c.body + "</g:gpx>");
        std::vector<std::string> names;
        for (const CWaypoint& waypoint : Read()) {
            names.push_back(waypoint.m_strName);
        }
        EXPECT_EQ(names, c.names) << c.body;
    }
    WriteBytes(path, "<g:gpx xmlns:g=" + gpx11 + ">\n<g:wpt lat=\"1\" lon=\"2\"><u:name/>" +
                         "</g:wpt></g:gpx>");
    bool bResult = true;
    Read(&bResult);
    EXPECT_FALSE(bResult);
    EXPECT_EQ(ui.messages, std::vector<std::string>{NotRead(2, "unbound prefix")});
}

TEST_F(GpxFile, WritesStrictGpx11) {
    ASSERT_TRUE(Write(
        {WithAttributes(MakeWaypoint("home", 32.5, -117.25, "front & <door>"), 120.5, 10),
         WithAttributes(MakeWaypoint("cafe", 48.85837, 2.294481,
                                     "caf\xC3\xA9 \xE2\x82\xAC tab\there\r\nline\x1A"),
                        -0.25, 9999),
         MakeWaypoint("plain", -33.856784, 151.215297), MakeWaypoint("meridian", 1.5, 180.0)}));
    EXPECT_EQ(ReadBytes(path), Sample("written.gpx"));
    EXPECT_EQ(
        DescribedFully(),
        (std::vector<std::string>{
            "home|32.500000|-117.250000|front & <door>|120.500000|10",
            "cafe|48.858370|2.294481|caf\xC3\xA9 \xE2\x82\xAC tab\there\r\nline\x1A|-0.250000|18",
            "plain|-33.856784|151.215297||-|-", "meridian|1.500000|-180.000000||-|-"}));
}

// What MapSource files of every version hold comes back from GPX: names,
// comments, coordinates, elevations and symbols.
TEST_F(GpxFile, MapSourceToGpxAndBackKeepsEveryField) {
    for (const char* sample : {"attrs-v3.mps", "attrs-v4.mps", "attrs-v5.mps", "mixed-v5.mps"}) {
        WriteBytes(dir.File("in.mps"), Sample(sample));
        Convert<CMapSourceFile, CGpxFile>(dir.File("in.mps"), path);
        Convert<CGpxFile, CMapSourceFile>(path, dir.File("back.mps"));
        EXPECT_EQ(DescribeFile<CMapSourceFile>(dir.File("back.mps")),
                  DescribeFile<CMapSourceFile>(dir.File("in.mps")))
            << sample;
    }
    EXPECT_EQ(
        DescribeFile<CMapSourceFile>(dir.File("back.mps")),
        (std::vector<std::string>{"hut-a|46.558000|7.835000|water, wood, 12 beds|1034.000000|240",
                                  "pass_2|46.570200|7.891100|col|-|18",
                                  "queenstown|-45.031200|168.662600|queenstown|-|18"}));
    EXPECT_TRUE(ui.messages.empty());
}

// A text file written by this program comes back from GPX byte for byte.
TEST_F(GpxFile, TextToGpxAndBackKeepsEveryField) {
    const std::string text =
        "NAME,LATITUDE,LONGITUDE,COMMENT\r\n"
        "home,32.500000,-117.250000,\"front, \"\"door\"\"\"\r\n"
        "cafe noir,-33.856784,151.215297,\xE2\x82\xAC & <b> caf\xC3\xA9\r\n"
        "far east,89.999999,179.999999,\"two\r\nlines\ttab\"\r\n"
        "empty,1.000000,-1.000000,\r\n";
    WriteBytes(dir.File("in.csv"), text);
    ui.templateAnswers.assign(8, MakeTemplate(0, 1, 2, 3, 2, ','));
    Convert<CTextWaypointFile, CGpxFile>(dir.File("in.csv"), path);
    Convert<CGpxFile, CTextWaypointFile>(path, dir.File("back.csv"));
    EXPECT_EQ(ReadBytes(dir.File("back.csv")), text);
}

// New waypoints go after the last waypoint, before routes, tracks and
// extensions, on lines of their own ending as the file's do, in the file's
// namespace prefix and, for a file in another encoding, as character
// references; the rest stays byte for byte.
TEST_F(GpxFile, AppendsAfterTheLastWaypointAndKeepsTheRest) {
    const std::string root =
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" creator=\"x\">";
    const std::string added =
        "  <wpt lat=\"1.5\" lon=\"2.5\">\n    <name>new</name>\n"
        "    <cmt>\xC3\xA9</cmt>\n    <desc>\xC3\xA9</desc>\n  </wpt>\n";
    std::string addedCrLf;  // as a file of CR LF lines gets it
    for (char c : added) {
        addedCrLf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    struct Case {
        std::string original;
        std::string expected;
    };
    auto between = [](const std::string& before, const std::string& after,
                      const std::string& inserted) {
        return Case{before + after, before + inserted + after};
    };
    const std::string mixed = Sample("mixed.gpx");
    const size_t nRoute = mixed.find("<rte>");
    const std::string gpx10 = "<gpx xmlns=\"http://www.topografix.com/GPX/1/0\" version=\"1.0\"";
    const Case cases[] = {
        between(mixed.substr(0, nRoute), mixed.substr(nRoute), added),
        between(root + "<metadata/>\n", "<trk/><extensions/></gpx>", added),
        between(root + "\n", "<extensions><wpt lat=\"1\" lon=\"1\"/></extensions></gpx>\n", added),
        between(root + "<wpt lat=\"3\" lon=\"4\"/>", "</gpx>", "\n" + added),
        between(root + "\r\n  <wpt lat=\"3\" lon=\"4\"/> \r\n", "  <rte/>\r\n</gpx>", addedCrLf),
        {gpx10 + "/>", gpx10 + ">\n" + added + "</gpx>"},
        between("<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\"><g:wpt lat=\"3\" "
                "lon=\"4\"></g:wpt>",
                "</g:gpx>",
                "\n  <g:wpt lat=\"1.5\" lon=\"2.5\">\n    <g:name>new</g:name>\n"
                "    <g:cmt>\xC3\xA9</g:cmt>\n    <g:desc>\xC3\xA9</g:desc>\n  </g:wpt>\n"),
        between("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + root +
                    "<wpt lat=\"3\" lon=\"4\"><name>\xE9</name></wpt>",
                "</gpx>",
                "\n  <wpt lat=\"1.5\" lon=\"2.5\">\n    <name>new</name>\n    <cmt>&#233;</cmt>\n"
                "    <desc>&#233;</desc>\n  </wpt>\n"),
    };
    for (const Case& c : cases) {
        WriteBytes(path, c.original);
        ui.waypointAnswers.assign(1, {Resolution::Discard, true});  // the nameless ones
        ASSERT_TRUE(Write({MakeWaypoint("new", 1.5, 2.5, "\xC3\xA9")}, OPEN_TARGET_APPEND))
            << c.original;
        EXPECT_EQ(ReadBytes(path), c.expected);
        bool bResult = false;
        ui.waypointAnswers.assign(1, {Resolution::Discard, true});
        std::vector<std::string> read = DescribedFully(&bResult);
        EXPECT_TRUE(bResult);
        ASSERT_FALSE(read.empty());
        EXPECT_EQ(read.back(), "new|1.500000|2.500000|\xC3\xA9|-|-");
    }
    EXPECT_TRUE(ui.messages.empty());
}

// Read as a source or scanned as a target to append to, each is reported with
// the line where it goes wrong, and the target stays as it was.
TEST_F(GpxFile, DamagedAndHostileFilesAreRefusedWithTheirLine) {
    const std::string mixed = Sample("mixed.gpx");
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY a \"aaaaaaaaaa\">\n";
    for (char c = 'b'; c <= 'j'; ++c) {
        laughs += std::string("<!ENTITY ") + c + " \"" + std::string(10, '&') + "\">\n";
        std::string& line = laughs;
        size_t nAt = line.rfind(std::string(10, '&'));
        std::string references;
        for (int i = 0; i < 10; ++i) {
            references += std::string("&") + static_cast<char>(c - 1) + ";";
        }
        line.replace(nAt, 10, references);
    }
    laughs +=
        "]>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><wpt lat=\"1\" "
        "lon=\"1\"><name>&j;</name></wpt></gpx>\n";
    const std::string external =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY secret SYSTEM "
        "\"file:///etc/passwd\">\n]>\n"
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n<wpt lat=\"1\" "
        "lon=\"1\"><name>&secret;</name></wpt></gpx>\n";
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {mixed.substr(0, 300), NotRead(4, "no element found")},
        {mixed.substr(0, mixed.size() - 8), NotRead(14, "no element found")},
        {"", NotRead(1, "no element found")},
        {"name,lat,lon\nhome,1,2\n", NotRead(1, "syntax error")},
        {std::string("MsRcd\0\x02", 7), NotRead(1, "not well-formed (invalid token)")},
        {mixed + "<gpx/>", NotRead(16, "junk after document element")},
        {"<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>",
         "File \"" + path + "\" is not a GPX file: at line 2 the root element is \"kml\""},
        {laughs,
         NotRead(14, "limit on input amplification factor (from DTD and entities) breached")},
        {external, NotRead(6, "error in processing external entity reference")},
        {"<?xml version=\"1.0\" encoding=\"EBCDIC\"?><gpx/>", NotRead(1, "unknown encoding")},
        {"<gpx>\n<wpt lat=\"1\" lon=\"2\"><cmt>" + std::string(3 << 20, 'c') + "</cmt></wpt></gpx>",
         NotRead(2, "a waypoint's element holds more than 1 MiB of text")},
    };
    for (const Case& c : cases) {
        ExpectAppendRefused(c.bytes, c.message, false);
    }
}

// Files that read, but that new text cannot go into as it is.
TEST_F(GpxFile, ATargetThatCannotTakeNewWaypointsIsLeftAsItWas) {
    std::string utf16("\xFF\xFE", 2);
    for (char c : std::string("<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"/>")) {
        utf16 += std::string(1, c) + '\0';
    }
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {utf16, "File \"" + path +
                    "\" is in UTF-16: waypoints can be added only to a GPX file in UTF-8 or "
                    "another encoding that writes ASCII as it is"},
        {Sample("features.gpx"),
         "File \"" + path + "\" declares entities of its own: waypoints cannot be added to it"},
    };
    for (const Case& c : cases) {
        ExpectAppendRefused(c.bytes, c.message, true);
    }
}

// A large file is parsed while its waypoints are stored; an Abort in the
// middle ends both, and what came before it is stored in order.
TEST_F(GpxFile, AnAbortInALargeFileEndsTheReading) {
    std::string gpx = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    for (int i = 0; i < 50000; ++i) {
        std::string name = i == 30000 ? "" : "w" + std::to_string(i);
        gpx += "<wpt lat=\"1\" lon=\"2\"><name>" + name + "</name></wpt>\n";
    }
    WriteBytes(path, gpx + "</gpx>\n");
    bool bResult = true;
    std::vector<CWaypoint> read = Read(&bResult);
    EXPECT_FALSE(bResult);
    EXPECT_EQ(ui.prompts, std::vector<WaypointError>{WaypointError::NameEmpty});
    ASSERT_EQ(read.size(), 30000u);
    EXPECT_EQ(read.front().m_strName + " " + read.back().m_strName, "w0 w29999");
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Stopped at waypoint \"\", line 30002 of \"" +
                                                    path + "\": Waypoint name is empty"});
}

// A coordinate or an elevation that is not a number makes the waypoint
// invalid, as a bad coordinate of a text file does.
TEST_F(GpxFile, ANumberThatIsNoNumberMakesTheWaypointInvalid) {
    struct Case {
        std::string attributes;
        std::string elevation;  // the ele element, if any
        WaypointError fault;    // None: read as it is
    };
    const Case cases[] = {
        {"lat=\" 1.50 \" lon=\"-.5\"", "<ele>+7.</ele>", WaypointError::None},
        {"lat=\"north\" lon=\"2\"", "", WaypointError::LatitudeInvalid},
        {"lon=\"2\"", "", WaypointError::LatitudeInvalid},
        {"lat=\"1e1\" lon=\"2\"", "", WaypointError::LatitudeInvalid},
        {"lat=\"1\" lon=\"1,5\"", "", WaypointError::LongitudeInvalid},
        {"lat=\"1\" lon=\"+-1\"", "", WaypointError::LongitudeInvalid},
        {"lat=\"1\" lon=\"2\"", "<ele>high</ele>", WaypointError::ElevationInvalid},
        {"lat=\"1\" lon=\"2\"", "<ele/>", WaypointError::ElevationInvalid},
        {"lat=\"1\" lon=\"2\"", "<ele>1" + std::string(400, '0') + "</ele>",
         WaypointError::ElevationInvalid},
    };
    for (const Case& c : cases) {
        WriteBytes(path, "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"><wpt " + c.attributes +
                             ">" + c.elevation + "<name>w</name></wpt></gpx>");
        ui.prompts.clear();
        ui.waypointAnswers.assign(1, {Resolution::Discard});
        bool bResult = false;
        std::vector<CWaypoint> read = Read(&bResult);
        EXPECT_TRUE(bResult) << c.attributes << c.elevation;
        EXPECT_EQ(read.size(), c.fault == WaypointError::None ? 1u : 0u);
        EXPECT_EQ(ui.prompts, c.fault == WaypointError::None ? std::vector<WaypointError>{}
                                                             : std::vector<WaypointError>{c.fault})
            << c.attributes << c.elevation;
    }
}

// Written in integer arithmetic, a number must still read as std::to_chars
// writes it, so that the bytes of GPX files stay as they were.
TEST(XmlDecimal, IsTheShortestFixedPointTextThatToCharsWrites) {
    std::mt19937_64 random(20261207);
    auto expectSame = [](double dValue) {
        char expected[XML_DECIMAL_SIZE];
        char written[XML_DECIMAL_SIZE];
        auto result =
            std::to_chars(expected, expected + sizeof expected, dValue, std::chars_format::fixed);
        ASSERT_EQ(std::string(written, WriteXmlDecimal(written, dValue)),
                  std::string(expected, result.ptr))
            << std::hexfloat << dValue;
    };
    for (double dValue : {0.0, -0.0, 1.0, 0.5, 180.0, -180.0, 100.0, 0.015625, 0.02, 1e-5, 0.1,
                          1e15, 4294967295.5, 99.99999999999999, 9.999999999999998, std::nan(""),
                          HUGE_VAL, std::numeric_limits<double>::denorm_min()}) {
        expectSame(dValue);
    }
    for (int i = 0; i < 250000; ++i) {
        auto nSemicircle = static_cast<int32_t>(random());
        expectSame(SemicirclesToDegrees(nSemicircle));
        expectSame(static_cast<double>(static_cast<int64_t>(random() % 2000000001) - 1000000000) /
                   std::pow(10.0, static_cast<double>(random() % 12)));
        expectSame(std::nextafter(static_cast<double>(random() % 100000) / 1000, 1e9));
        uint64_t nBits = random();
        double dAny = 0.0;
        std::memcpy(&dAny, &nBits, sizeof dAny);
        int nExponent = 0;
        expectSame(std::ldexp(std::frexp(dAny, &nExponent), static_cast<int>(random() % 48) - 8));
    }
}

TEST(GarminSymbols, NamesAndNumbersMatchIgnoringCaseAndUnknownOnesAreThePlainWaypoint) {
    struct Case {
        int32_t nNumber;
        const char* name;
    };
    const Case cases[] = {{10, "Residence"}, {45, "Parking Area"}, {11, "Restaurant"},
                          {18, "Waypoint"},  {0, "Anchor"},        {248, "Water Source"},
                          {140, "Flag, Red"}};
    for (const Case& c : cases) {
        EXPECT_EQ(SymbolName(c.nNumber), c.name);
        EXPECT_EQ(SymbolNumber(c.name), c.nNumber);
    }
    EXPECT_EQ(SymbolNumber("pARKING aREA"), 45);
    EXPECT_EQ(SymbolName(9999), "Waypoint");
    EXPECT_EQ(SymbolName(-1), "Waypoint");
    EXPECT_EQ(SymbolNumber("Igloo"), PLAIN_WAYPOINT_SYMBOL);
    EXPECT_EQ(SymbolNumber(""), PLAIN_WAYPOINT_SYMBOL);
}

}  // namespace
