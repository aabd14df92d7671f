#include <gtest/gtest.h>

#include <string>

#include "engine/Waypoint.h"
#include "platform/Utf8.h"
#include "platform/Windows1252.h"

namespace {

// Every Windows-1252 byte string, undefined bytes included, comes back from
// UTF-8 byte for byte; the characters of the code page's upper half are where
// Unicode puts them.
TEST(Windows1252, EveryByteSurvivesTheRoundTrip) {
    std::string bytes;
    for (int c = 1; c < 256; ++c) {
        bytes.push_back(static_cast<char>(c));
    }
    std::string utf8 = Windows1252ToUtf8(bytes);
    CUtf8Validator validator;
    validator.Feed(utf8.data(), utf8.size());
    EXPECT_TRUE(validator.IsValid());
    int nReplaced = 0;
    EXPECT_EQ(Utf8ToWindows1252(utf8, nReplaced), bytes);
    EXPECT_EQ(nReplaced, 0);
    EXPECT_EQ(Windows1252ToUtf8("\x80\x8A\x9F\xE9\xFC"), "\u20AC\u0160\u0178\u00E9\u00FC");
}

TEST(Windows1252, CharactersItLacksBecomeTheirPlainLetters) {
    struct Case {
        const char* utf8;
        const char* bytes;
        int nReplaced;
    };
    const Case cases[] = {
        {"Gr\u00FCezi",
         "Gr\xFC"
         "ezi",
         0},
        {"\u0141\u00F3d\u017A",
         "L\xF3"
         "dz",
         2},
        {"Stra\u00DFe \u1E9E",
         "Stra\xDF"
         "e SS",
         1},
        {"\u0130stanbul \u0219", "Istanbul s", 2},
        {"e\u0301t\u00E9", "et\xE9", 1},  // an accent typed apart is dropped
        {"\u5317\u4EAC \u2192 x", "?? ? x", 3},
        {"\xFF\xFE", "??", 2},  // what no UTF-8 reader would take
    };
    for (const Case& c : cases) {
        int nReplaced = 0;
        EXPECT_EQ(Utf8ToWindows1252(c.utf8, nReplaced), c.bytes) << c.utf8;
        EXPECT_EQ(nReplaced, c.nReplaced) << c.utf8;
    }
}

// Valid and invalid UTF-8, whole and fed in pieces that cut characters in two.
TEST(Utf8, ValidationInPieces) {
    struct Case {
        std::string text;
        bool bValid;
    };
    const Case cases[] = {
        {"plain ascii text", true},
        {"\xEF\xBB\xBFwith a byte order mark", true},
        {"Sant Juli\xC3\xA0 de L\xC3\xB2ria \xE2\x82\xAC \xF0\x9F\x8C\x8D", true},
        {"caf\xE9", false},           // Windows-1252
        {"\xC3", false},              // cut at the end
        {"\xC0\xAF", false},          // overlong
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // past U+10FFFF
        {"\xE2\x82 x", false},        // a sequence cut short
        {std::string(20, 'a') + "\x80", false},
    };
    for (const Case& c : cases) {
        for (size_t nCut = 0; nCut <= c.text.size(); ++nCut) {
            CUtf8Validator validator;
            validator.Feed(c.text.data(), nCut);
            validator.Feed(c.text.data() + nCut, c.text.size() - nCut);
            EXPECT_EQ(validator.IsValid(), c.bValid) << c.text << " cut at " << nCut;
        }
    }
    std::string repaired = "a\xE9z\xC3";
    EXPECT_EQ(RepairUtf8(repaired), 2);
    EXPECT_EQ(repaired, "a\uFFFDz\uFFFD");
}

TEST(Utf8, LengthsCutsAndCaseCountCharacters) {
    EXPECT_EQ(CharacterCount("\u00E9t\u00E9 \u20AC"), 5u);
    std::string text = "\u00E9t\u00E9";
    TruncateCharacters(text, 2);
    EXPECT_EQ(text, "\u00E9t");
    text = "\u20AC\u20AC";
    TruncateCharacters(text, 1);
    EXPECT_EQ(text, "\u20AC");
    const std::pair<const char*, const char*> lowered[] = {
        {"HOME \u00C9T\u00C9 \u00DE\u00D8", "home \u00E9t\u00E9 \u00FE\u00F8"},
        {"\u0141\u00D3D\u0179 \u0160\u0152\u017D\u0178",
         "\u0142\u00F3d\u017A \u0161\u0153\u017E\u00FF"},
        {"\u0391\u0398\u0397\u039D\u0391 \u041C\u041E\u0421\u041A\u0412\u0410 \u0401",
         "\u03B1\u03B8\u03B7\u03BD\u03B1 \u043C\u043E\u0441\u043A\u0432\u0430 \u0451"},
        {"\u00D7\u00DF\u0138\u0149 \xE9",
         "\u00D7\u00DF\u0138\u0149 \xE9"},  // no capitals, or invalid
    };
    for (const auto& [pText, pLower] : lowered) {
        std::string lower = pText;
        LowerText(lower);
        EXPECT_EQ(lower, pLower);
    }
}

TEST(Waypoint, CleanNamesPassTheNameRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"Sant Juli\u00E0 de L\u00F2ria", "Sant Julia de Loria"},
        {"St. Mary's", "St Marys"},
        {"  Z\u00FCrich -- HB!! ", "Zurich -- HB"},
        {"\u0141\u00F3d\u017A/Stra\u00DFe", "Lodz Strasse"},
        {"O\u2019Brien \u00C6r\u00F8", "OBrien AEro"},
        {"\u5317\u4EAC station", "station"},
        {"\u0423\u0441\u044F\u0436 \u0429\u0451\u043B\u043A\u043E\u0432\u043E",
         "Usiazh Shchelkovo"},
        {"\u0421\u0442\u0443\u0434\u0435\u043D\u0438\u0447\u0430\u043D\u0438 "
         "\u0408\u0430\u045A\u0430",
         "Studenichani Janja"},
        {"\u0398\u03B5\u03C3\u03C3\u03B1\u03BB\u03BF\u03BD\u03AF\u03BA\u03B7", "Thessaloniki"},
        {"Cafe\u0301", "Cafe"},
        {"a\tb\nc", "a b c"},
        {"\u5317\u4EAC", ""},
        {"!?", ""},
    };
    for (const auto& [pName, pCleaned] : cases) {
        std::string cleaned = CleanName(pName);
        EXPECT_EQ(cleaned, pCleaned) << pName;
        if (!cleaned.empty()) {
            EXPECT_EQ(ValidateName(cleaned, 40), WaypointError::None) << pName;
        }
    }
}

}  // namespace
