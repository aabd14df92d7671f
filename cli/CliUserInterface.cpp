#include "cli/CliUserInterface.h"

#include <algorithm>
#include <cstdio>

#include "job/Converter.h"

namespace {

constexpr auto PROGRESS_INTERVAL = std::chrono::milliseconds(100);

const char* NameOf(Stage stage) {
    switch (stage) {
        case Stage::ScanTarget:
            return "Scanning the target";
        case Stage::ImportSource:
            return "Importing the source";
        case Stage::ExportTarget:
            return "Exporting to the target";
    }
    return "";
}

}  // namespace

std::string Printable(const std::string& text) {
    std::string printable;
    for (unsigned char c : text) {
        if (c >= 0x20 && c != 0x7F) {
            printable.push_back(static_cast<char>(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            printable += escaped;
        }
    }
    return printable;
}

CCliUserInterface::CCliUserInterface(const CCliOptions& options, bool bShowProgress)
    : m_options(options), m_bShowProgress(bShowProgress), m_waitingThread(::pthread_self()) {}

// The waiting thread takes the end at once rather than at its next look.
void CCliUserInterface::JobEnded(bool) {
    m_bJobEnded = true;
    ::pthread_kill(m_waitingThread, JOB_ENDED_SIGNAL);
}

void CCliUserInterface::StageStarted(Stage stage) {
    m_pStage = NameOf(stage);
    m_nCount = -1;  // nothing counted yet
    DrawProgress(true);
}

void CCliUserInterface::ShowProgress(int nCount) {
    if (m_bShowProgress) {
        m_nCount = nCount;
        DrawProgress(false);
    }
}

void CCliUserInterface::DrawProgress(bool bForce) {
    if (!m_bShowProgress || m_pStage == nullptr) {
        return;
    }
    auto now = std::chrono::steady_clock::now();
    if (!bForce && now - m_lastDrawn < PROGRESS_INTERVAL) {
        return;
    }
    m_lastDrawn = now;
    if (m_nCount < 0) {
        std::fprintf(stderr, "\r\033[K%s: ", m_pStage);
    } else {
        std::fprintf(stderr, "\r\033[K%s: %d", m_pStage, m_nCount);
    }
    std::fflush(stderr);
    m_bProgressShown = true;
}

void CCliUserInterface::EndProgress() {
    if (m_bProgressShown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_bProgressShown = false;
    }
}

ExistingFileChoice CCliUserInterface::AskExistingFile(const std::string& path) {
    EndProgress();
    std::fprintf(stderr,
                 "pathfolio-cli: \"%s\" already exists; nothing was written (use --existing "
                 "replace or --existing append)\n",
                 Printable(path).c_str());
    return ExistingFileChoice::Abort;
}

void CCliUserInterface::ResolveInvalidWaypoint(std::string&, ResolutionPolicy& policy,
                                               const CWaypointTable&, int, WaypointError error) {
    const CAnswerOption& option = AnswerOptionFor(error);
    // Said after the message that names the waypoint and where it was read.
    m_hint = std::string("settle it with ") + option.pName + " " + AnswerWords(option);
    policy.resolution = Resolution::Abort;
}

// The request gives every text file its layout, so this is never asked.
bool CCliUserInterface::ChooseTextTemplate(CTextTemplate&, const std::string&, bool, TemplateUse) {
    return false;
}

void CCliUserInterface::ShowMessage(MessageKind kind, const std::string& text) {
    if (m_options.quiet && kind == MessageKind::Success) {
        return;
    }
    EndProgress();
    // The first line names the program, the lines after it (a run's summary) are indented.
    const char* pLead = "pathfolio-cli: ";
    for (size_t nStart = 0; nStart < text.size();) {
        size_t nEnd = std::min(text.find('\n', nStart), text.size());
        std::fprintf(stderr, "%s%s\n", pLead,
                     Printable(text.substr(nStart, nEnd - nStart)).c_str());
        pLead = "  ";
        nStart = nEnd + 1;
    }
    if (!m_hint.empty()) {
        std::fprintf(stderr, "pathfolio-cli: %s\n", m_hint.c_str());
        m_hint.clear();
    }
}
