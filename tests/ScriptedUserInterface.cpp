#include "tests/ScriptedUserInterface.h"

#include <utility>

namespace {

// The front of the script, or the safe answer when it is empty.
template <typename T>
T Next(std::deque<T>& answers, T safe = T()) {
    if (!answers.empty()) {
        safe = std::move(answers.front());
        answers.pop_front();
    }
    return safe;
}

}  // namespace

ExistingFileChoice CScriptedUserInterface::AskExistingFile(const std::string&) {
    return Next(existingFileAnswers, ExistingFileChoice::None);
}

void CScriptedUserInterface::ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                                    const CWaypointTable&, int,
                                                    WaypointError error) {
    prompts.push_back(error);
    WaypointAnswer answer = Next(waypointAnswers);
    policy.resolution = answer.resolution;
    policy.applyToAll = answer.applyToAll;
    if (answer.resolution == Resolution::Edit) {
        name = answer.typedName;
    }
}

bool CScriptedUserInterface::ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string&,
                                                bool, TemplateUse use) {
    templateUses.push_back(use);
    std::optional<CTextTemplate> answer = Next(templateAnswers);
    if (answer) {
        chosenTemplate = *answer;
    }
    return answer.has_value();
}

bool CScriptedUserInterface::Shown(const Status& status) {
    if (status.IsFailed()) {
        ShowMessage(MessageKind::Failure, status.Message());
    }
    return status.IsOk();
}

std::string CScriptedUserInterface::NameOf(Stage stage) {
    switch (stage) {
        case Stage::ScanTarget:
            return "scan";
        case Stage::ImportSource:
            return "import";
        case Stage::ExportTarget:
            return "export";
    }
    return "";
}

CTextTemplate MakeTemplate(int nName, int nLatitude, int nLongitude, int nComment,
                           uint16_t nFirstRow, char delimiter, const char* pName) {
    CTextTemplate record =
        CTextTemplate::WithColumns(nName, nLatitude, nLongitude, nComment, nFirstRow, delimiter);
    record.SetName(pName);
    return record;
}

CWaypoint MakeWaypoint(const std::string& name, double dLatitude, double dLongitude,
                       const std::string& comment, bool bFromTarget) {
    return CWaypoint{name, dLatitude, dLongitude, comment, bFromTarget};
}

std::vector<CWaypoint> DrainTable(CWaypointTable& table) {
    std::vector<CWaypoint> waypoints;
    for (auto position = table.GetStartPosition(); position != CWaypointTable::END_POSITION;) {
        waypoints.push_back(table.TakeNext(position));
    }
    return waypoints;
}
