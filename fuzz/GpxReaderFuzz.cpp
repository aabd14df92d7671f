// Arbitrary bytes as a GPX file, read, converted to every kind and appended to.
#include "files/GpxFile.h"
#include "fuzz/RoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CheckReadAndAppend<CGpxFile>(pData, nSize);
    return 0;
}
