#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/WaypointFeed.h"
#include "engine/WaypointTable.h"
#include "tests/ScriptedUserInterface.h"

namespace {

std::string Repeat(const std::string& text, int nTimes) {
    std::string repeated;
    for (int i = 0; i < nTimes; ++i) {
        repeated += text;
    }
    return repeated;
}

TEST(Waypoint, ValidationOrder) {
    struct Case {
        std::string name;
        double dLatitude;
        double dLongitude;
        WaypointError expected;
    };
    const Case cases[] = {
        {"", 0.0, 0.0, WaypointError::NameEmpty},
        {std::string(40, 'a'), 1, 1, WaypointError::None},
        {std::string(41, 'a'), 1, 1, WaypointError::NameTooLong},
        {std::string(40, 'a') + ".", 1, 1, WaypointError::NameTooLong},  // length first
        {"Home-2 new_one", 1, 1, WaypointError::None},
        {"a.b", 1, 1, WaypointError::NameNotAlphanumeric},
        {"caf\xE9", 1, 1, WaypointError::NameNotAlphanumeric},
        {std::string("a\0b", 3), 1, 1, WaypointError::NameNotAlphanumeric},
        {"home", 0.0, 0.0, WaypointError::LatitudeInvalid},
        {"home", -0.0, 1.0, WaypointError::LatitudeInvalid},
        {"home", std::nan(""), 1.0, WaypointError::LatitudeInvalid},
        {"home", 32.1, 0.0, WaypointError::LongitudeInvalid},
        {"home", 90.0, -180.0, WaypointError::None},
        {"home", -90.0, 180.0, WaypointError::None},
        {"home", 90.000001, 1.0, WaypointError::LatitudeInvalid},
        {"home", -1046.977, 1.0, WaypointError::LatitudeInvalid},
        {"home", 1.0, 180.000001, WaypointError::LongitudeInvalid},
        {"home", 1.0, -INFINITY, WaypointError::LongitudeInvalid},
        // Lengths count characters: 40 accented letters are not too long, 41 are.
        {Repeat("\xC3\xA9", 40), 1, 1, WaypointError::NameNotAlphanumeric},
        {Repeat("\xC3\xA9", 41), 1, 1, WaypointError::NameTooLong},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MakeWaypoint(c.name, c.dLatitude, c.dLongitude).Validate(40), c.expected)
            << '"' << c.name << '"';
    }
    // An elevation that a file gave as no number comes after the coordinates.
    CWaypoint waypoint = MakeWaypoint("home", 0.0, 1.0);
    waypoint.SetElevation(std::nan(""));
    EXPECT_EQ(waypoint.Validate(40), WaypointError::LatitudeInvalid);
    waypoint.m_dLatitude = 1.0;
    EXPECT_EQ(waypoint.Validate(40), WaypointError::ElevationInvalid);
    waypoint.SetElevation(-420.5);
    EXPECT_EQ(waypoint.Validate(40), WaypointError::None);
}

class ImportPass : public ::testing::Test {
protected:
    // Adds as the job does: a failure is shown.
    bool Add(CWaypointTable& into, const std::string& name, bool bFromTarget = false) {
        CWaypoint waypoint = MakeWaypoint(name, 32.5, -117.25, "", bFromTarget);
        return ui.Shown(into.AddWaypoint(waypoint));
    }

    CScriptedUserInterface ui;
    CWaypointTable table{&ui};
};

TEST_F(ImportPass, ApplyToAllSettlesLaterFaultsWithoutAPrompt) {
    ASSERT_TRUE(Add(table, "home"));
    ui.waypointAnswers.push_back({Resolution::AddSuffix, true});
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(Add(table, "home"));
    }
    EXPECT_EQ(ui.prompts.size(), 1u);
    EXPECT_TRUE(table.Contains("home-0"));
    EXPECT_TRUE(table.Contains("home-z"));
    EXPECT_TRUE(table.Contains("home-03"));  // 36 one-character suffixes, then 00, 01, ...
    // Each waypoint took the place reserved for its new name.
    EXPECT_EQ(table.GetCount(), 41u);
    EXPECT_FALSE(table.IsReserved("home-0"));
}

TEST_F(ImportPass, EditedAndTruncatedNamesAreCheckedAgain) {
    ASSERT_TRUE(Add(table, "home"));
    ASSERT_TRUE(Add(table, std::string(40, 'a')));
    // An Edit is asked anew even when it was to apply to all; an edited name
    // differing only in case is a duplicate once lowered.
    ui.waypointAnswers.push_back({Resolution::Edit, true, "still.bad"});
    ui.waypointAnswers.push_back({Resolution::Edit, false, "HOME"});
    ui.waypointAnswers.push_back({Resolution::Edit, false, "Office"});
    ASSERT_TRUE(Add(table, "a.b"));
    EXPECT_TRUE(table.Contains("office"));
    // A cut name may be a duplicate too.
    ui.waypointAnswers.push_back({Resolution::Truncate});
    ui.waypointAnswers.push_back({Resolution::AddSuffix});
    ASSERT_TRUE(Add(table, std::string(45, 'a')));
    EXPECT_EQ(ui.prompts, (std::vector<WaypointError>{
                              WaypointError::NameNotAlphanumeric,
                              WaypointError::NameNotAlphanumeric, WaypointError::NameExists,
                              WaypointError::NameTooLong, WaypointError::NameExists}));
    EXPECT_TRUE(table.Contains(std::string(38, 'a') + "-0"));
}

TEST_F(ImportPass, AbortEscapeAndAnswersNotOfferedStoreNothingAndStop) {
    ASSERT_TRUE(Add(table, "home"));
    ui.waypointAnswers = {{Resolution::Abort},
                          {Resolution::None},              // the dialog closed with Escape
                          {Resolution::Truncate, true},    // cutting a short name settles nothing
                          {Resolution::AddSuffix, true}};  // nor does a suffix a bad name
    EXPECT_FALSE(Add(table, "home"));
    EXPECT_FALSE(Add(table, "home"));
    EXPECT_FALSE(Add(table, "home"));
    EXPECT_FALSE(Add(table, "bad.name"));
    EXPECT_EQ(ui.prompts.size(), 4u);
    EXPECT_EQ(table.GetCount(), 1u);
}

// An overwritten waypoint of the target is replaced by the new one, at the end.
TEST_F(ImportPass, OverwriteAndTheCountersOfScanImportAndExport) {
    ASSERT_TRUE(Add(table, "a", true));
    ASSERT_TRUE(Add(table, "b", true));
    ASSERT_TRUE(Add(table, "c"));
    ui.waypointAnswers.push_back({Resolution::Overwrite});
    ASSERT_TRUE(Add(table, "a"));
    ASSERT_TRUE(Add(table, "d"));
    EXPECT_EQ(table.ScanCount(), 2);
    CWaypoint stored;
    ASSERT_TRUE(table.Lookup("a", stored));
    EXPECT_FALSE(stored.m_bFromTarget);
    // Scan shows 0, 1; import 0, then 0 again after the overwrite lowered the count, then 1.
    EXPECT_EQ(ui.counters, (std::vector<int>{0, 1, 0, 0, 1}));
    ui.counters.clear();
    std::string order;
    for (const CWaypoint& waypoint : DrainTable(table)) {
        order += waypoint.m_strName;
    }
    EXPECT_EQ(order, "bcad");
    EXPECT_EQ(ui.counters, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_EQ(table.GetStartPosition(), CWaypointTable::END_POSITION);
}

// Cleaning may leave a duplicate, a name too long or none at all; each is
// settled as such. The summary accounts for every waypoint of the source, and
// for none of the target's.
TEST_F(ImportPass, CleanedNamesAreCheckedAgainAndTheSummaryAddsUp) {
    ASSERT_TRUE(Add(table, "Zurich", true));
    ASSERT_TRUE(Add(table, "keep"));
    ui.waypointAnswers = {{Resolution::Clean, true},       // Zürich: a duplicate once cleaned
                          {Resolution::AddSuffix, false},  // zurich-0
                          {Resolution::Discard, false},    // "!?" cleaned to nothing
                          {Resolution::Truncate, false},   // 40 ß: 80 letters once cleaned
                          {Resolution::Overwrite, false},  // keep
                          {Resolution::Discard, false}};   // the bad latitude
    ASSERT_TRUE(Add(table, "Z\u00FCrich"));
    ASSERT_TRUE(Add(table, "!?"));
    std::string sharpS;
    for (int i = 0; i < 40; ++i) {
        sharpS += "\u00DF";
    }
    ASSERT_TRUE(Add(table, sharpS));
    ASSERT_TRUE(Add(table, "Keep"));
    CWaypoint far = MakeWaypoint("far", 91.0, 1.0);
    ASSERT_TRUE(ui.Shown(table.AddWaypoint(far)));
    EXPECT_EQ(ui.prompts, (std::vector<WaypointError>{
                              WaypointError::NameNotAlphanumeric, WaypointError::NameExists,
                              WaypointError::NameEmpty, WaypointError::NameTooLong,
                              WaypointError::NameExists, WaypointError::LatitudeInvalid}));
    EXPECT_TRUE(table.Contains("zurich-0"));
    EXPECT_TRUE(table.Contains(std::string(40, 's')));
    DrainTable(table);
    const CRunSummary& summary = table.Summary();
    EXPECT_EQ(summary.nRead, 6);
    EXPECT_EQ(summary.nWritten, 3);
    EXPECT_EQ(summary.nWritten + summary.DiscardedTotal() + summary.nOverwritten, summary.nRead);
    EXPECT_EQ(DescribeSummary(summary),
              "Waypoints read: 6, written: 3\n"
              "Changed: 1 renamed, 3 cleaned, 1 names cut short, 1 overwritten by a later "
              "waypoint\n"
              "Discarded: 2 (1 empty name, 1 invalid latitude)\n");
}

// Every fault that discards a waypoint has a name of its own in the summary.
TEST(RunSummary, NamesEachReasonForDiscarding) {
    std::set<std::string> reasons;
    for (int nError = 1; nError < WAYPOINT_ERROR_COUNT; ++nError) {
        CRunSummary summary;
        summary.nDiscarded[nError] = 1;
        const std::string text = DescribeSummary(summary);
        const size_t nStart = text.find("Discarded: 1 (1 ");
        ASSERT_NE(nStart, std::string::npos) << text;
        reasons.insert(text.substr(nStart));
    }
    EXPECT_EQ(reasons.size(), static_cast<size_t>(WAYPOINT_ERROR_COUNT - 1));
    EXPECT_EQ(reasons.count("Discarded: 1 (1 other fault)\n"), 0u);
}

TEST_F(ImportPass, TheEntryLimitStopsAfterStoring) {
    table.m_nMaxEntries = 3;
    ASSERT_TRUE(Add(table, "a"));
    ASSERT_TRUE(Add(table, "b"));
    EXPECT_FALSE(Add(table, "c"));
    EXPECT_EQ(table.GetCount(), 3u);
    EXPECT_EQ(ui.messages, std::vector<std::string>{
                               "The file is too large, only part of it can be checked/imported"});
}

// The feed stores the waypoints in the order they came, and a failed store
// ends it: what it still held is never stored.
TEST(WaypointFeed, StoresInOrderUntilAStoreFails) {
    CWaypointTable table(nullptr);
    table.m_nMaxEntries = 12;
    CWaypointFeed feed(table);
    Status status;
    int nAdded = 0;
    while (status.IsOk() && nAdded < 30) {
        ++nAdded;
        status = feed.Add(MakeWaypoint("W" + std::to_string(nAdded)),
                          WaypointOrigin{WaypointOrigin::Unit::Line, uint64_t(nAdded), {}}, {});
    }
    EXPECT_FALSE(status.IsOk());
    EXPECT_GT(nAdded, 12) << "stores lag behind the reading";
    EXPECT_TRUE(feed.Flush().IsOk());
    std::vector<std::string> names;
    for (auto position = table.GetStartPosition(); position != CWaypointTable::END_POSITION;) {
        names.push_back(table.TakeNext(position).m_strName);
    }
    ASSERT_EQ(names.size(), 12u);
    EXPECT_EQ(names.front(), "w1");  // lowered, as the table keeps names
    EXPECT_EQ(names.back(), "w12");
}

TEST_F(ImportPass, AllSuffixesUsedUpAborts) {
    table.m_nMaxNameLength = 3;  // suffix lengths 1 and 2 only: 36 + 1296 names
    ASSERT_TRUE(Add(table, "ab"));
    ui.waypointAnswers.push_back({Resolution::AddSuffix, true});
    for (int i = 0; i < 36 + 36 * 36; ++i) {
        ASSERT_TRUE(Add(table, "ab")) << i;
    }
    EXPECT_TRUE(table.Contains("a-z"));
    EXPECT_TRUE(table.Contains("-zz"));
    EXPECT_FALSE(Add(table, "ab"));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{
                  "Cannot create more unique names,only part of the file can be imported"});
}

// ---- unique names ----

// The search exactly as the rules state it, testing every candidate from the first each time.
bool PlainSearch(const std::set<std::string>& taken, const std::string& name, int nMaxNameLength,
                 std::string& found) {
    for (int k = 1; k < nMaxNameLength; ++k) {
        std::string prefix = name.substr(0, static_cast<size_t>(nMaxNameLength - k - 1)) + "-";
        std::string suffix(static_cast<size_t>(k), SUFFIX_ALPHABET[0]);
        for (bool bMore = true; bMore;) {
            found = prefix + suffix;
            if (taken.count(found) == 0) {
                return true;
            }
            bMore = false;  // the next suffix, the first position varying slowest
            for (size_t i = suffix.size(); i-- > 0 && !bMore;) {
                size_t nNext = SUFFIX_ALPHABET.find(suffix[i]) + 1;
                bMore = nNext < SUFFIX_ALPHABET.size();
                suffix[i] = SUFFIX_ALPHABET[nNext % SUFFIX_ALPHABET.size()];
            }
        }
    }
    return false;
}

class UniqueNames : public ::testing::Test {
protected:
    void Take(const std::string& name) {
        CWaypoint waypoint = MakeWaypoint(name);
        ASSERT_TRUE(table.AddWaypoint(waypoint).IsOk());
        taken.insert(name);
    }
    // Runs both searches and keeps the plain set in step with the table.
    void ExpectSameAsPlain(const std::string& name) {
        std::string expected;
        bool bPlainFound = PlainSearch(taken, name, table.m_nMaxNameLength, expected);
        std::string actual = name;
        ASSERT_EQ(table.MakeUniqueName(actual), bPlainFound) << name;
        if (bPlainFound) {
            ASSERT_EQ(actual, expected);
            EXPECT_TRUE(table.IsReserved(actual)) << "the name is reserved without a record";
            taken.insert(actual);
        }
    }

    CWaypointTable table{nullptr};
    std::set<std::string> taken;
};

TEST_F(UniqueNames, MatchesThePlainSearchWithScatteredTakenNames) {
    std::mt19937 random(7);
    auto letter = [&random] { return SUFFIX_ALPHABET[random() % 36]; };
    const std::string names[] = {"home", std::string(40, 'q')};  // the second one is cut
    for (const std::string& name : names) {
        Take(name);
        for (int i = 0; i < 100; ++i) {
            ExpectSameAsPlain(name);
        }
    }
    // Free some names again and scatter new taken ones among the candidates.
    for (const std::string& name : names) {
        for (int i = 0; i < 60; ++i) {
            std::string victim = name.substr(0, 38) + "-" + letter();
            if (taken.erase(victim) > 0) {
                table.RemoveKey(victim);
            }
            std::string blocker = name.substr(0, 37) + "-" + letter() + letter();
            if (taken.count(blocker) == 0) {
                Take(blocker);
            }
        }
        for (int i = 0; i < 300; ++i) {
            ExpectSameAsPlain(name);
        }
    }
}

// 60,000 entries fill three chunks of the slot array. Removing and storing again
// moves an entry last; enough of them compact the order. Room made for more
// entries on the way changes neither.
TEST(WaypointMap, DrainingDuringIterationVisitsEveryEntryInOrder) {
    CWaypointMap map;
    std::vector<std::string> expected;
    map.ExpectMore(100);
    for (int i = 0; i < 60000; ++i) {
        if (i == 20000) {
            map.ExpectMore(70000);
        }
        map.SetAt(MakeWaypoint("k" + std::to_string(i)));
        if (i >= 3000 || i % 2 == 1) {
            expected.push_back("k" + std::to_string(i));
        }
    }
    for (int i = 0; i < 3000; i += 2) {
        expected.push_back("k" + std::to_string(i));
        ASSERT_TRUE(map.RemoveKey(expected.back()));
        map.SetAt(MakeWaypoint(expected.back()));
    }
    std::vector<std::string> seen;
    for (auto position = map.GetStartPosition(); position != CWaypointMap::END_POSITION;) {
        seen.push_back(map.TakeAt(position).m_strName);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(map.GetCount(), 0u);
    EXPECT_FALSE(map.Contains("k1"));
    map.SetAt(MakeWaypoint("again"));  // an emptied map takes entries again
    EXPECT_TRUE(map.Contains("again"));
}

// Every field comes out as it was last stored, whichever of the elevation and
// the symbol a waypoint has, also after overwrites have left megabytes of
// dropped texts behind and the map has copied the live ones together.
TEST(WaypointMap, WaypointsComeOutAsLastStoredAfterTheirTextsAreCompacted) {
    struct Case {
        const char* name;
        const char* comment;
        bool bElevation;
        bool bSymbol;
    };
    const Case cases[] = {
        {"plain", "", false, false},         {"high", "a summit", true, false},
        {"flagged", "", false, true},        {"both", "caf\xC3\xA9 du port", true, true},
        {"", "an empty name", false, false},
    };
    auto make = [](const Case& c, int nRound) {
        CWaypoint waypoint = MakeWaypoint(c.name);
        waypoint.m_strComment = c.comment + std::string(nRound % 200, '.');
        waypoint.m_dLatitude = 1.0 + nRound;
        if (c.bElevation) {
            waypoint.SetElevation(-12.5 - nRound);
        }
        if (c.bSymbol) {
            waypoint.SetSymbol(nRound);
        }
        return waypoint;
    };
    CWaypointMap map;
    map.Reserve("reserved");
    for (int nRound = 0; nRound < 4000; ++nRound) {
        for (const Case& c : cases) {
            map.SetAt(make(c, nRound));
        }
    }
    CWaypoint longer = MakeWaypoint("longer than a block");
    longer.m_strComment.assign(3 << 20, 'c');
    map.SetAt(longer);
    ASSERT_TRUE(map.IsReserved("reserved"));
    auto position = map.GetStartPosition();
    EXPECT_EQ(map.TakeAt(position).m_strName, "reserved");
    for (const Case& c : cases) {
        CWaypoint expected = make(c, 3999);
        CWaypoint actual = map.TakeAt(position);
        EXPECT_EQ(actual.m_strName, expected.m_strName);
        EXPECT_EQ(actual.m_strComment, expected.m_strComment) << c.name;
        EXPECT_EQ(actual.m_dLatitude, expected.m_dLatitude) << c.name;
        EXPECT_EQ(actual.m_bHasElevation, c.bElevation) << c.name;
        EXPECT_EQ(actual.m_dElevation, expected.m_dElevation) << c.name;
        EXPECT_EQ(actual.m_bHasSymbol, c.bSymbol) << c.name;
        EXPECT_EQ(actual.m_nSymbol, expected.m_nSymbol) << c.name;
    }
    EXPECT_EQ(map.TakeAt(position).m_strComment, longer.m_strComment);
    EXPECT_EQ(position, CWaypointMap::END_POSITION);
}

// A map emptied again and again, as when one name is overwritten, clears the
// buckets it used each time (were they left, the 16 buckets of a small map
// would soon have no empty one to end a search), also after its texts were
// compacted; it then finds only the entries stored since.
TEST(WaypointMap, AMapEmptiedAfterAnyHistoryFindsOnlyNewEntries) {
    CWaypointMap small;
    for (int i = 0; i < 100; ++i) {
        std::string name = "n" + std::to_string(i);
        small.SetAt(MakeWaypoint(name));
        ASSERT_TRUE(small.Contains(name));
        ASSERT_TRUE(small.RemoveKey(name));
    }
    EXPECT_FALSE(small.Contains("n99"));
    CWaypointMap map;
    map.ExpectMore(1 << 20);
    map.SetAt(MakeWaypoint("keep"));
    for (int i = 0; i < 600; ++i) {  // over a megabyte of removed texts
        CWaypoint removed = MakeWaypoint("r" + std::to_string(i));
        removed.m_strComment.assign(2000, 'c');
        map.SetAt(removed);
        ASSERT_TRUE(map.RemoveKey(removed.m_strName));
    }
    for (int nRound = 0; nRound < 2; ++nRound) {
        ASSERT_TRUE(map.RemoveKey("keep"));
        EXPECT_EQ(map.GetCount(), 0u);
        for (const char* name : {"a", "b", "keep"}) {
            map.SetAt(MakeWaypoint(name));
        }
        EXPECT_FALSE(map.Contains("r1"));
        EXPECT_EQ(map.GetCount(), 3u);
        ASSERT_TRUE(map.RemoveKey("a"));
        ASSERT_TRUE(map.RemoveKey("b"));
    }
    EXPECT_TRUE(map.Contains("keep"));
}

// A reader guesses from its file's length, which a sparse file makes absurd.
TEST(WaypointTable, AnyGuessOfTheWaypointsToComeIsSafe) {
    CWaypointTable table(nullptr);
    table.ExpectWaypoints(UINT64_MAX);
    table.ExpectWaypoints(0);
    CWaypoint waypoint = MakeWaypoint("a");
    ASSERT_TRUE(table.AddWaypoint(waypoint).IsOk());
    EXPECT_TRUE(table.Contains("a"));
}

}  // namespace
