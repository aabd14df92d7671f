// Arbitrary bytes as a template store: load them, look names up, and save,
// into a directory of its own that goes with each run.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "templates/TemplateStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    static CMemoryFile file;
    file.Fill(pData, nSize);
    CTemplateStore store;
    if (!store.Load(file.Path())) {
        return 0;
    }
    for (int i = 0; i < store.GetCount(); ++i) {
        std::string name(store.GetAt(i).Name());
        if (store.FindExact(name) != i || store.FindPrefix(name.substr(0, 3)) > i) {
            __builtin_trap();
        }
    }
    if (store.GetCount() > 0) {
        store.Remove(store.GetCount() / 2);
    }
    char pattern[] = "/tmp/pathfolio-fuzz-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        __builtin_trap();
    }
    store.Save(TemplateStorePath(pattern));
    std::error_code error;
    std::filesystem::remove_all(pattern, error);
    return 0;
}
