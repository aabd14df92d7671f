#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "templates/ColumnLetters.h"
#include "templates/TemplateStore.h"
#include "tests/FailingDisk.h"
#include "tests/ScriptedUserInterface.h"
#include "tests/TempDir.h"

namespace {

std::string Bytes(const CTextTemplate& record) {
    unsigned char bytes[CTextTemplate::RECORD_SIZE];
    record.Encode(bytes);
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::vector<std::string> Names(const CTemplateStore& store) {
    std::vector<std::string> names;
    for (int i = 0; i < store.GetCount(); ++i) {
        names.emplace_back(store.GetAt(i).Name());
    }
    return names;
}

TEST(TextTemplate, TheRecordIsEncodedLittleEndianFieldByField) {
    CTextTemplate record = MakeTemplate(1, 2, 3, -2, 0x0102, '\t', "ab");
    std::string bytes = Bytes(record);
    std::string expected = std::string("\1\0\0\0\2\0\0\0\3\0\0\0\xFE\xFF\xFF\xFF\2\1ab", 20) +
                           std::string(253, '\0') + "\t" + std::string(2, '\0');
    EXPECT_EQ(bytes, expected);
}

// The decimal comma and the encoding live in the last two bytes behind a mark;
// records without it (older ones, whatever their padding holds) have neither.
TEST(TextTemplate, SettingsKeepOlderRecordsAsTheyWere) {
    CTextTemplate record = MakeTemplate(0, 1, 2, 3, 2, ';', "semi");
    record.decimalComma = true;
    record.encoding = TextEncoding::Windows1252;
    std::string bytes = Bytes(record);
    EXPECT_EQ(bytes.substr(273), ";\xD5\x05");
    unsigned char raw[CTextTemplate::RECORD_SIZE];
    std::memcpy(raw, bytes.data(), sizeof raw);
    CTextTemplate decoded = CTextTemplate::Decode(raw);
    EXPECT_TRUE(decoded.decimalComma);
    EXPECT_EQ(decoded.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(Bytes(decoded), bytes);
    const std::pair<unsigned char, unsigned char> unmarked[] = {
        {0x00, 0x00}, {0x00, 0x03}, {0xCC, 0xCC}, {0xD5, 0x07}, {0xD5, 0x13}};
    for (const auto& [mark, settings] : unmarked) {
        raw[274] = mark;
        raw[275] = settings;
        decoded = CTextTemplate::Decode(raw);
        EXPECT_FALSE(decoded.decimalComma) << int(mark) << " " << int(settings);
        EXPECT_EQ(decoded.encoding, TextEncoding::Detect) << int(mark) << " " << int(settings);
    }
    EXPECT_EQ(Bytes(MakeTemplate(0, 1, 2, 3, 2, ',', "plain")).substr(274), std::string(2, '\0'));
}

TEST(ColumnLetters, BothDirections) {
    struct Case {
        const char* letters;
        uint16_t nIndex;
    };
    const Case valid[] = {{"A", 0},   {"B", 1},   {"Z", 25},   {"AA", 27},
                          {"BA", 28}, {"AB", 54}, {"ZZ", 727}, {"AAA", 756}};
    for (const Case& c : valid) {
        EXPECT_EQ(ColumnLettersToIndex(c.letters), c.nIndex) << c.letters;
        EXPECT_EQ(ColumnIndexToLetters(c.nIndex), c.letters) << c.nIndex;
    }
    EXPECT_EQ(ColumnLettersToIndex("a"), 0);
    EXPECT_EQ(ColumnLettersToIndex("ab"), 54);
    EXPECT_EQ(ColumnLettersToIndex("AAAC"), 59805);  // the largest with a leading AAA
    const char* invalid[] = {"", "A1", "1", " A", "A-", "@", "AAAD", "AAAAA"};  // or too large
    for (const char* letters : invalid) {
        EXPECT_EQ(ColumnLettersToIndex(letters), INVALID_COLUMN) << '"' << letters << '"';
    }
    EXPECT_EQ(ColumnIndexToLetters(26), "@A");  // no letters name column 26
}

class TemplateStore : public ::testing::Test {
protected:
    CTempDir dir;
    std::string path = dir.File("PathfolioTemplates.dat");
    CTemplateStore store;
};

TEST_F(TemplateStore, RecordsAreListedAndSavedInOrderIgnoringCase) {
    ASSERT_TRUE(store.Load(path));  // the first load creates the file
    EXPECT_EQ(ReadBytes(path), "");
    WriteBytes(path, Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "beta")) +
                         Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "Alpha")) +
                         Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "gamma")) +
                         Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "ALPHA")));  // a duplicate
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(Names(store), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    EXPECT_EQ(store.FindExact("GAMMA"), 2);
    EXPECT_EQ(store.FindExact("gam"), -1);
    EXPECT_EQ(store.FindPrefix("B"), 1);
    EXPECT_EQ(store.FindPrefix("x"), -1);
    EXPECT_EQ(store.Add(MakeTemplate(0, 0, 0, 0, 0, 0, "Be")), 1);
    store.Remove(0);
    ASSERT_TRUE(store.Save(path));
    EXPECT_EQ(ReadBytes(path), Bytes(MakeTemplate(0, 0, 0, 0, 0, 0, "Be")) +
                                   Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "beta")) +
                                   Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "gamma")));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"PathfolioTemplates.dat"});
}

// A name without its terminator is cut; a short last record is ignored, and
// dropped at the next save.
TEST_F(TemplateStore, DamagedRecords) {
    std::string one = Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "one"));
    WriteBytes(path, one.substr(0, 275));
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(store.GetCount(), 0);

    CTextTemplate unterminated;
    std::memset(unterminated.name, 'n', sizeof unterminated.name);
    WriteBytes(path, one + Bytes(unterminated) + "x");
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(Names(store), (std::vector<std::string>{std::string(254, 'n'), "one"}));
    ASSERT_TRUE(store.Save(path));
    EXPECT_EQ(ReadBytes(path).size(), 552u);
}

TEST_F(TemplateStore, FailuresAreReportedAndLeaveTheFileWhole) {
    WriteBytes(dir.File("plain"), "");
    EXPECT_FALSE(store.Load(dir.File("plain/PathfolioTemplates.dat")));
    EXPECT_EQ(store.ErrorText(), "Not a directory");
    EXPECT_FALSE(store.Load(dir.Path()));

    WriteBytes(path, Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "kept")));
    store.Add(MakeTemplate(0, 1, 2, 3, 1, ',', "lost"));
    EXPECT_FALSE(store.Save(dir.File("plain/PathfolioTemplates.dat")));
    EXPECT_FALSE(store.Save("/dev/full"));
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(Names(store), std::vector<std::string>{"kept"});

    // The folder's own reason, not the missing file's that follows from it.
    {
        CFailingDisk disk;
        disk.nMkdirErrno = EROFS;
        EXPECT_FALSE(store.Load(dir.File("new/PathfolioTemplates.dat")));
        EXPECT_EQ(store.ErrorText(), "Read-only file system");
        EXPECT_FALSE(store.Save(dir.File("new/PathfolioTemplates.dat")));
        EXPECT_EQ(store.ErrorText(), "Read-only file system");
    }
    // A file far too large for templates is refused before it is read.
    ASSERT_EQ(::truncate(path.c_str(), (64 << 20) + 1), 0);
    EXPECT_FALSE(store.Load(path));
    EXPECT_EQ(store.ErrorText(), "larger than 64 MiB, too large for a template store");
}

TEST_F(TemplateStore, LocationCurrentDirectoryFirstThenTheDataDirectory) {
    struct Case {
        const char* xdg;
        const char* home;
        std::string expected;
    };
    CTempDir empty;
    const Case cases[] = {
        {"/xdg", "/home/u", "/xdg/pathfolio/PathfolioTemplates.dat"},
        {"relative", "/home/u", "/home/u/.local/share/pathfolio/PathfolioTemplates.dat"},
        {"", "/home/u", "/home/u/.local/share/pathfolio/PathfolioTemplates.dat"},
        {nullptr, "/home/u", "/home/u/.local/share/pathfolio/PathfolioTemplates.dat"},
        {nullptr, nullptr, empty.File("PathfolioTemplates.dat")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TemplateStoreLocation(empty.Path(), c.xdg, c.home), c.expected) << c.xdg;
    }
    WriteBytes(path, "");
    EXPECT_EQ(TemplateStoreLocation(dir.Path(), "/xdg", "/home/u"), path);
}

// Changes made at once by several programs are all kept.
TEST_F(TemplateStore, ConcurrentUpdatesAreAllKept) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 10; ++i) {
                std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
                CTemplateStore own;
                EXPECT_TRUE(own.Update(path, [&name](CTemplateStore& stored) {
                    return stored.Add(MakeTemplate(0, 1, 2, 3, 1, ',', name.c_str())) >= 0;
                }));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(store.GetCount(), 40);
    EXPECT_FALSE(store.Update(path, [](CTemplateStore&) { return false; }));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"PathfolioTemplates.dat"});
}

// A large store with duplicates loads sorted, the first of equal names kept.
// (Checking every record against every earlier one took minutes here.)
TEST_F(TemplateStore, ALargeStoreLoadsSortedWithoutDuplicates) {
    const int nCount = 100000;
    std::string bytes;
    for (int i = nCount - 1; i >= 0; --i) {
        bytes += Bytes(MakeTemplate(i % 7, 1, 2, 3, 1, ',', ("n" + std::to_string(i / 2)).c_str()));
    }
    WriteBytes(path, bytes);
    ASSERT_TRUE(store.Load(path));
    ASSERT_EQ(store.GetCount(), nCount / 2);
    EXPECT_EQ(store.GetAt(store.FindExact("n123")).nameColumn, 247 % 7);  // 247 comes first
    EXPECT_EQ(store.GetAt(1).Name(), "n1");                               // after n0, n1 before n10
}

}  // namespace
