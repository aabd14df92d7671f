#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/WaypointTable.h"
#include "files/WaypointFile.h"
#include "job/UserInterface.h"

// Answers the job's questions from a script and records what it was shown. A
// question the script has no answer for is answered the safe way: cancel, or Abort.
class CScriptedUserInterface : public CUserInterface {
public:
    struct WaypointAnswer {
        WaypointAnswer(Resolution r = Resolution::Abort, bool bAll = false, std::string typed = {})
            : resolution(r), applyToAll(bAll), typedName(std::move(typed)) {}
        Resolution resolution;
        bool applyToAll;
        std::string typedName;
    };

    std::deque<std::optional<std::string>> fileAnswers;  // nullopt: cancelled
    std::deque<ExistingFileChoice> existingFileAnswers;
    std::deque<WaypointAnswer> waypointAnswers;
    std::deque<std::optional<CTextTemplate>> templateAnswers;  // nullopt: cancelled

    std::vector<std::string> messages;
    std::vector<WaypointError> prompts;  // the fault of every question
    std::vector<std::string> counterTexts;
    std::vector<bool> templateOwned;  // bOwned of every template request
    std::map<int, bool> enabled;
    std::map<int, bool> checked;

    void EnableControl(int nId, bool bEnable) override { enabled[nId] = bEnable; }
    void CheckControl(int nId, bool bCheck) override { checked[nId] = bCheck; }
    void SetControlText(int nId, std::string_view text) override;
    bool ChooseFile(FileRole role, const std::string& title, const std::string& filter,
                    const std::string& defaultExtension, std::string& path) override;
    ExistingFileChoice AskExistingFile(const std::string& path) override;
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override;
    bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                            bool bTextFileIsEmpty, bool bOwned) override;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    // Counter values shown, without the clearing empty texts.
    std::vector<int> Counters() const;
};

CTextTemplate MakeTemplate(int nName, int nLatitude, int nLongitude, int nComment,
                           uint16_t nFirstRow, char delimiter, const char* pName = "t");
CWaypoint MakeWaypoint(const std::string& name, double dLatitude = 32.5,
                       double dLongitude = -117.25, const std::string& comment = "",
                       bool bFromTarget = false);
// Takes every waypoint out of the table, in order.
std::vector<CWaypoint> DrainTable(CWaypointTable& table);
