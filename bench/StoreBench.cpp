// Loads a template store of 100,000 records (names in reverse order, one in
// ten a duplicate ignoring case) and finds every name; the load should take
// well under 0.2 s.
#include <cstdio>
#include <string>

#include "bench/BenchSupport.h"
#include "platform/PlatformFile.h"
#include "templates/TemplateStore.h"

namespace {

constexpr int COUNT = 100000;

std::string RecordName(int nIndex) {
    int nNumber = nIndex % 10 == 9 ? nIndex - 1 : nIndex;
    return (nIndex % 10 == 9 ? "TEMPLATE " : "template ") + std::to_string(COUNT - nNumber);
}

}  // namespace

int main(int argc, char** argv) {
    std::string path = std::string(argc > 1 ? argv[1] : ".") + "/bench-templates.dat";
    CPlatformFile file;
    if (!file.Open(path, OPEN_TARGET_NEW)) {
        return 1;
    }
    unsigned char bytes[CTextTemplate::RECORD_SIZE];
    for (int i = 0; i < COUNT; ++i) {
        CTextTemplate record = CTextTemplate::WithColumns(0, 1, 2, 3, 2, ',');
        record.SetName(RecordName(i));
        record.Encode(bytes);
        file.Write(bytes, sizeof bytes);
    }
    if (!file.Commit()) {
        return 1;
    }
    file.Close();

    CTemplateStore store;
    CStopwatch loading;
    bool bLoaded = store.Load(path);
    double dLoad = loading.Seconds();
    CStopwatch finding;
    int nFound = 0;
    for (int i = 0; i < COUNT; ++i) {
        nFound += store.FindExact(RecordName(i)) >= 0 ? 1 : 0;
    }
    std::printf("template store: loaded %d records (%d kept): %.3f s; %d lookups: %.3f s\n", COUNT,
                store.GetCount(), dLoad, nFound, finding.Seconds());
    std::remove(path.c_str());
    return bLoaded && store.GetCount() == COUNT - COUNT / 10 && nFound == COUNT ? 0 : 1;
}
