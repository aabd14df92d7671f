#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "templates/ColumnLetters.h"
#include "templates/TemplateStore.h"
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

TEST(TextTemplate, RecordLayout) {
    CTextTemplate record = MakeTemplate(1, 2, 3, 0x10004, 0x0102, '\t', "ab");
    std::string bytes = Bytes(record);
    ASSERT_EQ(bytes.size(), 276u);
    EXPECT_EQ(bytes.substr(0, 20), std::string("\1\0\0\0\2\0\0\0\3\0\0\0\4\0\1\0\2\1ab", 20));
    EXPECT_EQ(bytes[20], '\0');
    EXPECT_EQ(bytes[273], '\t');
    EXPECT_EQ(Bytes(CTextTemplate()), std::string(276, '\0'));
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
    const char* invalid[] = {"", "A1", "1", " A", "A-", "@"};
    for (const char* letters : invalid) {
        EXPECT_EQ(ColumnLettersToIndex(letters), INVALID_COLUMN) << '"' << letters << '"';
    }
    EXPECT_EQ(ColumnIndexToLetters(26), "@A");  // no letters name column 26
}

TEST(ColumnLetters, ValuesThatDoNotFitAreInvalidInsteadOfWrapping) {
    EXPECT_EQ(ColumnLettersToIndex("ZZZ"), 26 + 26 * 27 + 26 * 729 - 1);
    EXPECT_EQ(ColumnLettersToIndex("AAAC"), 3 * 19683 + 1 + 27 + 729 - 1);  // 59805 fits
    EXPECT_EQ(ColumnLettersToIndex("AAAD"), INVALID_COLUMN);  // 79488 would wrap to 13952
    EXPECT_EQ(ColumnLettersToIndex("AAAAA"), INVALID_COLUMN);
    EXPECT_EQ(ColumnLettersToIndex(std::string(100, 'Z')), INVALID_COLUMN);
}

class TemplateStore : public ::testing::Test {
protected:
    CTempDir dir;
    std::string path = dir.File("PathfolioTemplates.dat");
    CTemplateStore store;
};

TEST_F(TemplateStore, FirstLoadCreatesAnEmptyFile) {
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(store.GetCount(), 0);
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(TemplateStore, RecordsAreListedAndSavedInOrderIgnoringCase) {
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

TEST_F(TemplateStore, AShortLastRecordIsIgnoredAndDroppedAtTheNextSave) {
    std::string one = Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "one"));
    WriteBytes(path, one.substr(0, 275));
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(store.GetCount(), 0);

    std::string two = Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "two"));
    WriteBytes(path, one + two + "x");
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(store.GetCount(), 2);
    ASSERT_TRUE(store.Save(path));
    EXPECT_EQ(ReadBytes(path).size(), 552u);
}

TEST_F(TemplateStore, ANameWithoutTerminatorIsCut) {
    CTextTemplate record;
    std::memset(record.name, 'n', sizeof record.name);
    WriteBytes(path, Bytes(record));
    ASSERT_TRUE(store.Load(path));
    ASSERT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.GetAt(0).Name(), std::string(254, 'n'));
}

TEST_F(TemplateStore, ADefaultRecordRoundTrips) {
    store.Add(CTextTemplate());
    ASSERT_TRUE(store.Save(path));
    CTemplateStore loaded;
    ASSERT_TRUE(loaded.Load(path));
    ASSERT_EQ(loaded.GetCount(), 1);
    EXPECT_EQ(Bytes(loaded.GetAt(0)), std::string(276, '\0'));
}

TEST_F(TemplateStore, FailuresAreReportedAndLeaveTheFileWhole) {
    EXPECT_FALSE(store.Load(dir.File("missing/PathfolioTemplates.dat")));
    EXPECT_FALSE(store.ErrorText().empty());
    EXPECT_FALSE(store.Load(dir.Path()));

    WriteBytes(path, Bytes(MakeTemplate(0, 1, 2, 3, 1, ',', "kept")));
    store.Add(MakeTemplate(0, 1, 2, 3, 1, ',', "lost"));
    EXPECT_FALSE(store.Save(dir.File("missing/PathfolioTemplates.dat")));
    EXPECT_FALSE(store.Save("/dev/full"));
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(Names(store), std::vector<std::string>{"kept"});
}

}  // namespace
