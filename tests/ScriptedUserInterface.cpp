#include "tests/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <cstdlib>

void CScriptedUserInterface::EnableControl(int nId, bool bEnable) {
    enabled[nId] = bEnable;
    events.push_back("enable " + std::to_string(nId) + (bEnable ? " on" : " off"));
}

void CScriptedUserInterface::CheckControl(int nId, bool bCheck) {
    checked[nId] = bCheck;
    events.push_back("check " + std::to_string(nId) + (bCheck ? " on" : " off"));
}

void CScriptedUserInterface::SetControlText(int nId, std::string_view text) {
    if (nId == IDC_COUNTER) {
        counterTexts.emplace_back(text);
    }
}

bool CScriptedUserInterface::ChooseFile(FileRole, const std::string& title, const std::string&,
                                        const std::string&, std::string& path) {
    fileTitles.push_back(title);
    if (fileAnswers.empty() || !fileAnswers.front()) {
        if (!fileAnswers.empty()) {
            fileAnswers.pop_front();
        }
        return false;
    }
    path = *fileAnswers.front();
    fileAnswers.pop_front();
    return true;
}

ExistingFileChoice CScriptedUserInterface::AskExistingFile(const std::string& path) {
    existingFilePaths.push_back(path);
    if (existingFileAnswers.empty()) {
        return ExistingFileChoice::None;
    }
    ExistingFileChoice choice = existingFileAnswers.front();
    existingFileAnswers.pop_front();
    return choice;
}

void CScriptedUserInterface::ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                                    const CWaypointTable&, int,
                                                    WaypointError error) {
    prompts.push_back({error, name});
    WaypointAnswer answer;
    if (!waypointAnswers.empty()) {
        answer = waypointAnswers.front();
        waypointAnswers.pop_front();
    }
    policy.resolution = answer.resolution;
    policy.applyToAll = answer.applyToAll;
    if (answer.resolution == Resolution::Edit) {
        name = answer.typedName;
    }
}

bool CScriptedUserInterface::ChooseTextTemplate(CTextTemplate& chosenTemplate,
                                                const std::string& textFilePath,
                                                bool bTextFileIsEmpty, bool bOwned) {
    templateRequests.push_back({textFilePath, bTextFileIsEmpty, bOwned});
    if (templateAnswers.empty() || !templateAnswers.front()) {
        if (!templateAnswers.empty()) {
            templateAnswers.pop_front();
        }
        return false;
    }
    chosenTemplate = *templateAnswers.front();
    templateAnswers.pop_front();
    return true;
}

void CScriptedUserInterface::ShowMessage(const std::string& text) {
    messages.push_back(text);
}

std::vector<int> CScriptedUserInterface::Counters() const {
    std::vector<int> values;
    for (const std::string& text : counterTexts) {
        if (!text.empty()) {
            values.push_back(std::atoi(text.c_str()));
        }
    }
    return values;
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
    CWaypoint waypoint;
    waypoint.m_strName = name;
    waypoint.m_dLatitude = dLatitude;
    waypoint.m_dLongitude = dLongitude;
    waypoint.m_strComment = comment;
    waypoint.m_bFromTarget = bFromTarget;
    return waypoint;
}

std::vector<CWaypoint> DrainTable(CWaypointTable& table) {
    std::vector<CWaypoint> waypoints;
    for (auto position = table.GetStartPosition(); position != CWaypointTable::END_POSITION;) {
        waypoints.push_back(table.TakeNext(position));
    }
    return waypoints;
}

std::vector<CWaypoint> ReadWaypointFile(CWaypointFile& file, CScriptedUserInterface& ui,
                                        const std::string& path, bool bFromTarget, bool* pbResult) {
    CWaypointTable table(&ui);
    EXPECT_TRUE(file.File().Open(path, OPEN_SOURCE));
    bool bResult = file.ReadWaypoints(table, bFromTarget);
    file.Close();
    if (pbResult != nullptr) {
        *pbResult = bResult;
    }
    return DrainTable(table);
}

bool WriteWaypointFile(CWaypointFile& file, CScriptedUserInterface& ui, const std::string& path,
                       std::vector<CWaypoint> waypoints, unsigned nOpenFlags) {
    CWaypointTable table(&ui);
    for (CWaypoint& waypoint : waypoints) {
        EXPECT_TRUE(table.AddWaypoint(waypoint));
    }
    EXPECT_TRUE(file.File().Open(path, nOpenFlags));
    bool bResult = file.Export(table);
    file.Close();
    return bResult;
}
