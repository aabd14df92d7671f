#pragma once

#include <string>

#include "engine/WaypointTable.h"
#include "job/UserInterface.h"
#include "templates/TextTemplate.h"

// Settles every fault without asking, as a conversion nobody watches: a name
// taken gets a suffix, a long name is cut, anything else is discarded. Text
// files use m_layout; nothing is shown. For the benchmarks and the fuzzers.
class CUnattendedUserInterface : public CUserInterface {
public:
    CTextTemplate m_layout = CTextTemplate::DefaultLayout();

    void StageStarted(Stage) override {}
    void StageEnded(Stage) override {}
    void JobEnded(bool) override {}
    void ShowProgress(int) override {}
    ExistingFileChoice AskExistingFile(const std::string&) override {
        return ExistingFileChoice::Abort;
    }
    void ResolveInvalidWaypoint(std::string&, ResolutionPolicy& policy, const CWaypointTable&, int,
                                WaypointError error) override {
        policy.resolution = error == WaypointError::NameExists    ? Resolution::AddSuffix
                            : error == WaypointError::NameTooLong ? Resolution::Truncate
                                                                  : Resolution::Discard;
        policy.applyToAll = true;
    }
    bool ChooseTextTemplate(CTextTemplate& chosen, const std::string&, bool, TemplateUse) override {
        chosen = m_layout;
        return true;
    }
    void ShowMessage(MessageKind, const std::string&) override {}
};
