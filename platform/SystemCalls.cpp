#include "platform/SystemCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int RenameAt(const char* pFrom, const char* pTo, unsigned nFlags) {
    return ::renameat2(AT_FDCWD, pFrom, AT_FDCWD, pTo, nFlags);
}

const SystemCalls REAL = {::pwrite, ::fsync, RenameAt, ::mkostemp, ::mkdir};
SystemCalls g_current = REAL;

}  // namespace

SystemCalls& Sys() {
    return g_current;
}

const SystemCalls& RealSystemCalls() {
    return REAL;
}
