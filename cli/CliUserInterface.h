#pragma once

#include <chrono>
#include <string>

#include "cli/CliOptions.h"
#include "job/UserInterface.h"
#include "templates/TextTemplate.h"

// Answers the conversion job from the command line's options instead of
// asking, and reports on standard error.
class CCliUserInterface : public CUserInterface {
public:
    CCliUserInterface(const CCliOptions& options, bool bShowProgress);

    // The layout every text file of the job is read or written with.
    void SetLayout(const CTextTemplate& layout) { m_layout = layout; }

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

    // Clears the progress line.
    void EndProgress();

private:
    void DrawProgress(bool bForce);

    const CCliOptions& m_options;
    CTextTemplate m_layout;
    bool m_bShowProgress;
    const char* m_pStage = nullptr;
    std::string m_counter;
    bool m_bProgressShown = false;
    std::string m_hint;  // the option that settles the fault the run stopped at
    std::chrono::steady_clock::time_point m_lastDrawn;
};

// The text with every control character shown as \xHH.
std::string Printable(const std::string& text);
