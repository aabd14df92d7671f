#pragma once

#include <string>
#include <string_view>

#include "files/WaypointFileUserInterface.h"

// Controls of the main dialog that the conversion job drives (and IDC_COUNTER).
enum ControlId : int {
    IDC_TEXT_TO_MAPSOURCE = 1000,
    IDC_MAPSOURCE_TO_TEXT = 1001,
    IDC_SCAN_CHECK = 1004,
    IDC_IMPORT_CHECK = 1005,
    IDC_EXPORT_CHECK = 1006,
    IDC_SCAN_LABEL = 1007,
    IDC_IMPORT_LABEL = 1008,
    IDC_EXPORT_LABEL = 1009,
};

// The answer of the existing-file dialog.
enum class ExistingFileChoice : int {
    None = 0,  // closed without a choice
    Replace = 1,
    Append = 2,
    Abort = 3,
};

enum class FileRole { Source, Target };

// Everything the conversion job asks of the person, and the status area it
// drives: what the files and the import pass ask (the base classes), plus the
// main dialog's controls and the file choosers. The desktop program shows its
// dialogs, the command-line converter answers from its options, the tests
// from a script.
//
// Threads: CConverter calls every method from its worker thread, never from
// the thread that called Start, and one call at a time; each call returns only
// when it is done (a dialog answered, a control changed). An implementation
// that owns windows on another thread must run the request there and block the
// worker until it completes. While the job object is being destroyed, every
// question must be answered at once (as cancelled), or the destructor waits
// forever.
class CUserInterface : public CWaypointFileUserInterface {
public:
    // Enables or disables a control of the main dialog.
    virtual void EnableControl(int nId, bool bEnable) = 0;
    // Checks or clears a check box of the main dialog (the stage marks).
    virtual void CheckControl(int nId, bool bCheck) = 0;

    // The open-file chooser: true with the chosen path, false when cancelled.
    // The person may name a file that does not exist. The filter is in the
    // form "Text|*.txt|All|*.*||"; defaultExtension is added to a name typed
    // without one.
    virtual bool ChooseFile(FileRole role, const std::string& title, const std::string& filter,
                            const std::string& defaultExtension, std::string& path) = 0;
    // The existing-file dialog for a target that exists: Replace, Append, or
    // Abort/None to end the job.
    virtual ExistingFileChoice AskExistingFile(const std::string& path) = 0;
};
