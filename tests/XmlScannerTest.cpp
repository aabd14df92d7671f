#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/GpxReader.h"
#include "files/XmlScanner.h"
#include "platform/OpenFlags.h"
#include "platform/PlatformFile.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

namespace {

const std::string ROOT = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">";

std::string Waypoint(const std::string& name, const std::string& more = "") {
    return "<wpt lat=\"46.5\" lon=\"7.5\"><name>" + name + "</name>" + more + "</wpt>";
}

// Every event as a line: "<name a=v>", "</>", or the text in brackets.
class CRecordedEvents : public CXmlScanner::Events {
public:
    std::vector<std::string> events;

    void OnStart(std::string_view name, const std::vector<XmlAttribute>& attributes) override {
        std::string event = "<" + std::string(name);
        for (const XmlAttribute& attribute : attributes) {
            event += " " + std::string(attribute.name) + "=" + std::string(attribute.value);
        }
        events.push_back(event + ">");
    }
    void OnEnd() override { events.emplace_back("</>"); }
    void OnText(std::string_view text) override {
        if (!events.empty() && events.back().front() == '[') {
            events.back().insert(events.back().size() - 1, text);  // one run of text
        } else {
            events.push_back("[" + std::string(text) + "]");
        }
    }
};

class XmlScanner : public ::testing::Test {
protected:
    CTempDir dir;
    std::string path = dir.File("scanned.gpx");

    // A buffer that takes an XML declaration whole, and still cuts the rest.
    CXmlScanner::Outcome Scan(const std::string& bytes, CRecordedEvents& events,
                              CXmlScanner::ResumePoint& resume, size_t nBufferSize = 80) {
        WriteBytes(path, bytes);
        CPlatformFile file;
        EXPECT_TRUE(file.Open(path, OPEN_SOURCE));
        CXmlScanner scanner(events, nBufferSize);
        CXmlScanner::Outcome outcome = scanner.Scan(file);
        resume = scanner.GetResumePoint();
        return outcome;
    }
};

// The scanner reads what a GPX file commonly holds, line ends and references
// replaced, and stops before what it leaves to expat, with the nesting and
// the line to go on from.
TEST_F(XmlScanner, ReadsTheCommonRunAndStopsBeforeWhatExpatMustRead) {
    CRecordedEvents events;
    CXmlScanner::ResumePoint resume;
    EXPECT_EQ(Scan("\xEF\xBB\xBF<?xml version='1.0' encoding=\"utf-8\" standalone='no' ?>\r\n"
                   "<!-- made by hand -->\n<a x=\"1&amp;2\tthree\r\nfour\" y='\"'><b>caf\xC3\xA9"
                   " &lt;&#x20AC;&#8364;\r\nline\rend<![CDATA[<x>\r\n]]></b><c/></a>\n<!---->\n",
                   events, resume),
              CXmlScanner::Outcome::Done);
    EXPECT_EQ(events.events,
              (std::vector<std::string>{"<a x=1&2 three four y=\">", "<b>",
                                        "[caf\xC3\xA9 <\xE2\x82\xAC\xE2\x82\xAC\nline\nend<x>\n]",
                                        "</>", "<c>", "</>", "</>"}));

    const std::string head = "<a>\n<b x='1'>";
    const std::string stops[] = {"<?pi?>",         "<\xC3\xA9/>", "&nbsp;", "]]>",
                                 "\x01",           "\xC0\x80",    "</c>",   "<c x='1' x='2'/>",
                                 "<c x='1'y='2'/>"};
    for (const std::string& stop : stops) {
        events.events.clear();
        EXPECT_EQ(Scan(head + "text" + stop + "</b></a>", events, resume),
                  CXmlScanner::Outcome::HandOver)
            << stop;
        EXPECT_FALSE(resume.bFromStart);
        EXPECT_EQ(resume.context, "<a><b>");
        EXPECT_EQ(resume.nLine, 2u);
        // It goes on from the first byte not reported.
        bool bTextReported = events.events.back() == "[text]";
        EXPECT_EQ(resume.nOffset, head.size() + (bTextReported ? 4 : 0)) << stop;
    }
    // Before the root, nothing was reported, and expat reads the whole file.
    for (std::string prolog : {"<!DOCTYPE a>", "<?xml version=\"1.0\" encoding=\"latin1\"?>",
                               "<?xml version=\"1.1\"?>", "\n<?xml version=\"1.0\"?>"}) {
        events.events.clear();
        EXPECT_EQ(Scan(prolog + "<a/>", events, resume), CXmlScanner::Outcome::HandOver);
        EXPECT_TRUE(resume.bFromStart && events.events.empty()) << prolog;
    }
    // After the root, an empty element stands for it.
    EXPECT_EQ(Scan("<a/>\r\n\r\n<b/>", events, resume), CXmlScanner::Outcome::HandOver);
    EXPECT_EQ(resume.context, "<x/>");
    EXPECT_EQ(resume.nLine, 3u);
}

class ScannerAndExpat : public XmlScanner {
protected:
    struct Reading {
        CGpxReader::Result result;
        std::string problem;  // with its line, and the table's message when it stopped
        CGpxReader::Structure structure;
        std::vector<std::string> waypoints;
    };

    Reading Read(CGpxReader::Parser parser, size_t nBufferSize) {
        CScriptedUserInterface ui;
        CWaypointTable table(&ui);
        CGpxReader reader(parser, nBufferSize);
        CPlatformFile file;
        EXPECT_TRUE(file.Open(path, OPEN_SOURCE));
        Reading reading{reader.Read(file, &table, false), "", reader.GetStructure(), {}};
        reading.problem = std::to_string(reader.ProblemLine()) + " " + reader.Problem() + " " +
                          reader.TableStatus().Message();
        for (const CWaypoint& waypoint : DrainTable(table)) {
            reading.waypoints.push_back(waypoint.m_strName + "|" + waypoint.m_strComment + "|" +
                                        std::to_string(waypoint.m_dLatitude));
        }
        return reading;
    }

    // Reads the file with the scanner at several sizes of its buffer, so that
    // pieces are cut everywhere, and with expat alone: the same in every way.
    void ExpectSameReading(const std::string& bytes, size_t nExpectedWaypoints) {
        WriteBytes(path, bytes);
        Reading expected = Read(CGpxReader::Parser::Expat, CXmlScanner::BUFFER_SIZE);
        EXPECT_EQ(expected.waypoints.size(), nExpectedWaypoints) << bytes;
        for (size_t nBufferSize : {size_t{16}, size_t{17}, size_t{61}, CXmlScanner::BUFFER_SIZE}) {
            Reading read = Read(CGpxReader::Parser::Scanner, nBufferSize);
            EXPECT_EQ(read.result, expected.result) << nBufferSize << ": " << bytes;
            EXPECT_EQ(read.problem, expected.problem) << nBufferSize << ": " << bytes;
            EXPECT_EQ(read.waypoints, expected.waypoints) << nBufferSize << ": " << bytes;
            if (expected.result == CGpxReader::Result::Done) {
                EXPECT_EQ(read.structure.nInsertAt, expected.structure.nInsertAt) << bytes;
                EXPECT_EQ(read.structure.bEmptyRoot, expected.structure.bEmptyRoot) << bytes;
                EXPECT_EQ(read.structure.prefix, expected.structure.prefix) << bytes;
            }
        }
    }
};

TEST_F(ScannerAndExpat, ReadTheSameWaypointsAndFindTheSameFaultsOnTheSameLines) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string two = Waypoint("a", "<cmt>x\r\ny\rz &#13;&amp;&#x1F600;</cmt>") + "\r\n" +
                            Waypoint("b", "<cmt>caf\xC3\xA9<![CDATA[\r\n]]]></cmt><!-- c -->");
    struct Case {
        std::string bytes;
        size_t nWaypoints;
    };
    std::string deep = ROOT + "<extensions>";
    for (int i = 0; i < 70; ++i) {
        deep += "\n<e" + std::to_string(i) + ">";
    }
    for (int i = 69; i >= 0; --i) {
        deep += "</e" + std::to_string(i) + ">";
    }
    deep += "</extensions>\n" + Waypoint("c") + "\n</gpx>";
    std::string many;
    for (int i = 0; i < 40; ++i) {
        many += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
    }
    const Case cases[] = {
        {decl + ROOT + "\n" + two + "\n</gpx>\n", 2},
        {"\xEF\xBB\xBF" + ROOT + two + "<rte/></gpx><!-- end -->", 2},
        {"<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\"/>", 0},
        {ROOT + "<wpt lat=\"&#52;6.5\"\tlon = '7' x='\r\n'><name>d</name></wpt>" + Waypoint("e") +
             "</gpx>",
         2},
        // Expat takes over in the middle, and from the start.
        {decl + ROOT + "\n" + two + "\n<?pi x?>\r\n" + Waypoint("c") + "</gpx>", 3},
        {decl + ROOT + two + "<extensions><\xC3\xA9t\xC3\xA9/></extensions>" + Waypoint("c") +
             "</gpx>",
         3},
        {decl + "<!DOCTYPE gpx [<!ENTITY e \"E\">]>\n" + ROOT + Waypoint("&e;") + "</gpx>", 1},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + ROOT +
             Waypoint("c", "<cmt>\xE9</cmt>") + "</gpx>",
         1},
        {deep, 1},
        {ROOT + "<extensions><e" + many + "/></extensions>" + Waypoint("c") + "</gpx>", 1},
        // Faults after waypoints were read.
        {decl + ROOT + "\n" + two + "\n" + Waypoint("c") + "\n</gpx>\n<x/>", 3},
        {decl + ROOT + "\n" + two + "\r\n\r" + Waypoint("c</nam>") + "</gpx>", 2},
        {decl + ROOT + "\n" + two + "\n" + Waypoint("c]]>") + "</gpx>", 2},
        {decl + ROOT + "\n" + two + "\n" + Waypoint("c&nbsp;") + "</gpx>", 2},
        {decl + ROOT + "\n" + two + "\n" + Waypoint("c\x1F") + "</gpx>", 2},
        {decl + ROOT + "\n" + two + "\n" + Waypoint("c\xED\xA0\x80") + "</gpx>", 2},
        {decl + ROOT + "\n" + two + "\n<wpt lat=\"1\" lat=\"2\"/></gpx>", 2},
        {decl + ROOT + "\n" + two + "\n<wpt lat=\"<\"/></gpx>", 2},
        {decl + ROOT + "\n" + two + "\n<u:wpt/></gpx>", 2},
        {decl + ROOT + "\n" + two + "\n" + Waypoint(""), 2},
        {decl + ROOT + "\n" + two + "\n" + Waypoint("c"), 3},
        {decl + ROOT + "\n" + two + "\n   \r\r\r  \r", 2},
        {decl + "<kml/>", 0},
    };
    for (const Case& c : cases) {
        ExpectSameReading(c.bytes, c.nWaypoints);
    }
}

}  // namespace
