#pragma once

// Open flags; a job opens its files with one of the combinations below.
enum OpenFlags : unsigned {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    modeNoReplace = 0x4000,  // a staged target must be new (see CStagedTarget)
};
constexpr unsigned OPEN_SOURCE = modeRead;                                // 0x0000
constexpr unsigned OPEN_TARGET_NEW = modeCreate | modeWrite;              // 0x1001
constexpr unsigned OPEN_TARGET_CREATE = OPEN_TARGET_NEW | modeNoReplace;  // 0x5001
constexpr unsigned OPEN_TARGET_APPEND = modeNoTruncate | modeReadWrite;   // 0x2002
