#pragma once

// Controls of the main dialog that show the state of a conversion.
enum MainDlgControl : int {
    IDC_TEXT_TO_MAPSOURCE = 1000,
    IDC_MAPSOURCE_TO_TEXT = 1001,
    IDC_COUNTER = 1003,
    IDC_SCAN_CHECK = 1004,
    IDC_IMPORT_CHECK = 1005,
    IDC_EXPORT_CHECK = 1006,
    IDC_SCAN_LABEL = 1007,
    IDC_IMPORT_LABEL = 1008,
    IDC_EXPORT_LABEL = 1009,
    IDC_JOB_RESULT = 1010,  // how the last job ended, when it did not succeed
    IDC_ABOUT = 1011,
};
