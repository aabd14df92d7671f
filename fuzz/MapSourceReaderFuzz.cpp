// Arbitrary bytes as a MapSource file, read, converted to every kind and appended to.
#include "files/MapSourceFile.h"
#include "fuzz/RoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CheckReadAndAppend<CMapSourceFile>(pData, nSize);
    return 0;
}
