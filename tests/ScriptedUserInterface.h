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
#include "templates/TextTemplate.h"

// Answers the engine's questions from a script and records what it was shown.
// A question the script has no answer for is answered the safe way: cancel,
// or Abort.
class CScriptedUserInterface : public CUserInterface {
public:
    struct WaypointAnswer {
        WaypointAnswer(Resolution r = Resolution::Abort, bool bAll = false, std::string typed = {})
            : resolution(r), applyToAll(bAll), typedName(std::move(typed)) {}
        Resolution resolution;
        bool applyToAll;
        std::string typedName;
    };
    struct Prompt {
        WaypointError error;
        std::string name;
    };
    struct TemplateRequest {
        std::string path;
        bool bEmpty;
        bool bOwned;
    };

    // The script.
    std::deque<std::optional<std::string>> fileAnswers;  // nullopt: cancelled
    std::deque<ExistingFileChoice> existingFileAnswers;
    std::deque<WaypointAnswer> waypointAnswers;
    std::deque<std::optional<CTextTemplate>> templateAnswers;  // nullopt: cancelled

    // What was shown.
    std::vector<std::string> messages;
    std::vector<Prompt> prompts;
    std::vector<std::string> counterTexts;
    std::vector<std::string> fileTitles;
    std::vector<std::string> existingFilePaths;
    std::vector<TemplateRequest> templateRequests;
    std::vector<std::string> events;  // control changes in order, e.g. "check 1004 on"
    std::map<int, bool> enabled;
    std::map<int, bool> checked;

    void EnableControl(int nId, bool bEnable) override;
    void CheckControl(int nId, bool bCheck) override;
    void SetControlText(int nId, std::string_view text) override;
    bool ChooseFile(FileRole role, const std::string& title, const std::string& filter,
                    const std::string& defaultExtension, std::string& path) override;
    ExistingFileChoice AskExistingFile(const std::string& path) override;
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override;
    bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                            bool bTextFileIsEmpty, bool bOwned) override;
    void ShowMessage(const std::string& text) override;

    // Counter values shown, without the clearing empty texts.
    std::vector<int> Counters() const;
};

// A template with the given columns, first row, delimiter and name.
CTextTemplate MakeTemplate(int nName, int nLatitude, int nLongitude, int nComment,
                           uint16_t nFirstRow, char delimiter, const char* pName = "t");

CWaypoint MakeWaypoint(const std::string& name, double dLatitude = 32.5,
                       double dLongitude = -117.25, const std::string& comment = "",
                       bool bFromTarget = false);

// Takes every waypoint out of the table, in order.
std::vector<CWaypoint> DrainTable(CWaypointTable& table);

// Reads the file through the file object into a fresh table; its waypoints in order.
std::vector<CWaypoint> ReadWaypointFile(CWaypointFile& file, CScriptedUserInterface& ui,
                                        const std::string& path, bool bFromTarget = false,
                                        bool* pbResult = nullptr);

// Stores the waypoints in a fresh table and exports it through the file object.
bool WriteWaypointFile(CWaypointFile& file, CScriptedUserInterface& ui, const std::string& path,
                       std::vector<CWaypoint> waypoints, unsigned nOpenFlags = OPEN_TARGET_NEW);
