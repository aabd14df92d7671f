#pragma once

// Controls of the main dialog that start a conversion or show its state.
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
    IDC_TEXT_TO_GPX = 1012,
    IDC_GPX_TO_TEXT = 1013,
    IDC_MAPSOURCE_TO_GPX = 1014,
    IDC_GPX_TO_MAPSOURCE = 1015,
};

// The buttons that start a conversion, one for each direction.
constexpr int CONVERSION_BUTTONS[] = {IDC_TEXT_TO_MAPSOURCE, IDC_MAPSOURCE_TO_TEXT,
                                      IDC_TEXT_TO_GPX,       IDC_GPX_TO_TEXT,
                                      IDC_MAPSOURCE_TO_GPX,  IDC_GPX_TO_MAPSOURCE};
