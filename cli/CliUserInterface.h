#pragma once

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>

#include "cli/CliOptions.h"
#include "job/UserInterface.h"

// Reports the conversion job on standard error: the stage and its count on a
// progress line, and the messages. The request carries every answer the
// command line gives; a question it leaves open is refused with a line that
// names the option that settles it.
class CCliUserInterface : public CUserInterface {
public:
    // The signal by which JobEnded wakes the thread that made the interface;
    // every thread keeps it blocked, and that thread waits for it.
    static constexpr int JOB_ENDED_SIGNAL = SIGUSR1;

    CCliUserInterface(const CCliOptions& options, bool bShowProgress);

    void StageStarted(Stage stage) override;
    void StageEnded(Stage) override {}
    void JobEnded(bool) override;
    bool HasJobEnded() const { return m_bJobEnded; }
    void ShowProgress(int nCount) override;
    ExistingFileChoice AskExistingFile(const std::string& path) override;
    void ResolveInvalidWaypoint(std::string& name, ResolutionPolicy& policy,
                                const CWaypointTable& table, int nMaxNameLength,
                                WaypointError error) override;
    bool ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string& textFilePath,
                            bool bTextFileIsEmpty, TemplateUse use) override;
    void ShowMessage(MessageKind kind, const std::string& text) override;

    // Clears the progress line.
    void EndProgress();

private:
    void DrawProgress(bool bForce);

    const CCliOptions& m_options;
    bool m_bShowProgress;
    const char* m_pStage = nullptr;
    int m_nCount = 0;
    bool m_bProgressShown = false;
    std::string m_hint;  // the option that settles the fault the run stopped at
    std::chrono::steady_clock::time_point m_lastDrawn;
    const pthread_t m_waitingThread;
    std::atomic<bool> m_bJobEnded{false};
};

// The text with every control character shown as \xHH.
std::string Printable(const std::string& text);
