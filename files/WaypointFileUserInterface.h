#pragma once

#include <string>

#include "engine/ImportUserInterface.h"
#include "templates/TextTemplate.h"

// What a waypoint file asks of the person: what the import pass asks, and for
// a text file the template that lays it out. Called on the job's worker thread.
class CWaypointFileUserInterface : public CImportUserInterface {
public:
    // The templates dialog of a text file; true (OK) when chosenTemplate holds
    // the template to use, false when cancelled. bOwned is false when the
    // dialog has no owner window (the export asks this way).
    virtual bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                                    bool bTextFileIsEmpty, bool bOwned) = 0;
};
