#pragma once

#include <string>
#include <string_view>

#include "engine/Waypoint.h"

class CWaypointTable;
struct CTextTemplate;
struct ResolutionPolicy;

// Controls of the main dialog that the conversion job drives.
enum ControlId : int {
    IDC_TEXT_TO_MAPSOURCE = 1000,
    IDC_MAPSOURCE_TO_TEXT = 1001,
    IDC_COUNTER = 1003,
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

// Everything the conversion engine asks of the person, and the status area it
// drives. The engine calls these from its worker thread; each call completes
// before the engine goes on. The desktop program shows its dialogs, the
// command-line converter answers from its options, the tests from a script.
class CUserInterface {
public:
    virtual ~CUserInterface() = default;

    virtual void EnableControl(int nId, bool bEnable) = 0;
    virtual void CheckControl(int nId, bool bCheck) = 0;
    // Sets the text of a control and repaints it at once (the counter).
    virtual void SetControlText(int nId, std::string_view text) = 0;

    // The open-file chooser; false when cancelled. The person may name a file
    // that does not exist.
    virtual bool ChooseFile(FileRole role, const std::string& title, const std::string& filter,
                            const std::string& defaultExtension, std::string& path) = 0;
    virtual ExistingFileChoice AskExistingFile(const std::string& path) = 0;

    // The invalid-waypoint dialog: writes the chosen resolution and the
    // apply-to-all box into the policy and, for Edit, the typed name into name.
    // Closing it without a choice must be reported as Abort.
    virtual void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                        const CWaypointTable& table, int nMaxNameLength,
                                        WaypointError error) = 0;

    // The templates dialog of a text file; true (OK) when chosenTemplate holds
    // the template to use. bOwned is false when the dialog has no owner window.
    virtual bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                                    bool bTextFileIsEmpty, bool bOwned) = 0;

    // A message with a single OK button.
    virtual void ShowMessage(const std::string& text) = 0;
};
