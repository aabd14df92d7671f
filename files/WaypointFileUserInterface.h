#pragma once

#include <string>

#include "engine/ImportUserInterface.h"
#include "templates/TextTemplate.h"

// Why a text file needs its template: to read its waypoints (a source, or a
// target scanned before an append) or to write them.
enum class TemplateUse { Read, Write };

// What a waypoint file asks of the person: what the import pass asks, and for
// a text file whose layout the job was not given, the template that lays it
// out. Called on the job's worker thread.
class CWaypointFileUserInterface : public CImportUserInterface {
public:
    // The templates dialog of a text file; true (OK) when chosenTemplate holds
    // the template to use, false when cancelled.
    virtual bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                                    bool bTextFileIsEmpty, TemplateUse use) = 0;
};
