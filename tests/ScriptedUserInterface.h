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

    std::deque<ExistingFileChoice> existingFileAnswers;
    std::deque<WaypointAnswer> waypointAnswers;
    std::deque<std::optional<CTextTemplate>> templateAnswers;  // nullopt: cancelled

    std::vector<std::string> messages;
    std::vector<MessageKind> messageKinds;
    std::vector<WaypointError> prompts;  // the fault of every question
    std::vector<int> counters;           // every count shown
    std::vector<TemplateUse> templateUses;
    // The stages and the job's end, as "scan+", "import-", "ended ok" or "ended failed".
    std::vector<std::string> events;

    void StageStarted(Stage stage) override { events.push_back(NameOf(stage) + "+"); }
    void StageEnded(Stage stage) override { events.push_back(NameOf(stage) + "-"); }
    void JobEnded(bool bSucceeded) override {
        events.push_back(bSucceeded ? "ended ok" : "ended failed");
    }
    void ShowProgress(int nCount) override { counters.push_back(nCount); }
    ExistingFileChoice AskExistingFile(const std::string& path) override;
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override;
    bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                            bool bTextFileIsEmpty, TemplateUse use) override;
    void ShowMessage(MessageKind kind, const std::string& text) override {
        messageKinds.push_back(kind);
        messages.push_back(text);
    }
    // What the job does with a status: a failure is shown. True when ok.
    bool Shown(const Status& status);

private:
    static std::string NameOf(Stage stage);
};

CTextTemplate MakeTemplate(int nName, int nLatitude, int nLongitude, int nComment,
                           uint16_t nFirstRow, char delimiter, const char* pName = "t");
CWaypoint MakeWaypoint(const std::string& name, double dLatitude = 32.5,
                       double dLongitude = -117.25, const std::string& comment = "",
                       bool bFromTarget = false);
// Takes every waypoint out of the table, in order.
std::vector<CWaypoint> DrainTable(CWaypointTable& table);
