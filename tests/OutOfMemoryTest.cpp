// Runs the import pass with the n-th allocation failing, for every n, to check
// that running out of memory is reported and leaves a table that can still be
// exported. This binary replaces the global allocation functions.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "engine/WaypointTable.h"
#include "tests/ScriptedUserInterface.h"

namespace {

std::atomic<long> g_nAllocationsLeft{-1};  // below zero: no limit

}  // namespace

void* operator new(std::size_t nSize) {
    if (g_nAllocationsLeft.load() >= 0 && g_nAllocationsLeft.fetch_sub(1) == 0) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(nSize == 0 ? 1 : nSize)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

const std::string COMMENT = "a comment long enough not to fit in place";

TEST(OutOfMemory, EveryFailedAllocationIsReportedAndLeavesNoHalfStoredEntry) {
    bool bEverSucceeded = false;
    for (long nFailAt = 0; nFailAt < 200 && !bEverSucceeded; ++nFailAt) {
        CScriptedUserInterface ui;
        CWaypointTable table(&ui);
        for (const char* name : {"home with a long name", "office"}) {
            CWaypoint waypoint = MakeWaypoint(name, 1, 2, COMMENT);
            ASSERT_TRUE(ui.Shown(table.AddWaypoint(waypoint)));
        }
        ui.waypointAnswers.push_back({Resolution::AddSuffix, true});
        CWaypoint duplicate = MakeWaypoint("HOME WITH A LONG NAME", 1, 2, COMMENT);

        g_nAllocationsLeft = nFailAt;
        bool bAdded = ui.Shown(table.AddWaypoint(duplicate));
        g_nAllocationsLeft = -1;

        if (bAdded) {
            bEverSucceeded = true;
            EXPECT_EQ(table.GetCount(), 3u);
        } else {
            EXPECT_EQ(ui.messages, std::vector<std::string>{"Not enough memory !"}) << nFailAt;
        }
        // Whatever failed, no name is left reserved without its waypoint.
        for (auto position = table.GetStartPosition(); position != CWaypointTable::END_POSITION;) {
            std::string name;
            const CWaypoint* pRecord = nullptr;
            table.GetNextAssoc(position, name, pRecord);
            EXPECT_NE(pRecord, nullptr) << nFailAt << ": " << name;
        }
    }
    EXPECT_TRUE(bEverSucceeded);
}

}  // namespace
