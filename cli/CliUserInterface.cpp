#include "cli/CliUserInterface.h"

#include <cstdio>

#include "job/Converter.h"

namespace {

constexpr auto PROGRESS_INTERVAL = std::chrono::milliseconds(100);

const char* StageOf(int nCheckId) {
    switch (nCheckId) {
        case IDC_SCAN_CHECK:
            return "Scanning the target";
        case IDC_IMPORT_CHECK:
            return "Importing the source";
        case IDC_EXPORT_CHECK:
            return "Exporting to the target";
        default:
            return nullptr;
    }
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
    : m_options(options), m_bShowProgress(bShowProgress) {}

void CCliUserInterface::EnableControl(int, bool) {}

void CCliUserInterface::CheckControl(int nId, bool bCheck) {
    const char* pStage = StageOf(nId);
    if (bCheck && pStage != nullptr) {
        m_pStage = pStage;
        m_counter.clear();
        DrawProgress(true);
    }
}

void CCliUserInterface::SetControlText(int nId, std::string_view text) {
    if (nId == IDC_COUNTER && m_bShowProgress) {
        m_counter.assign(text);
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
    std::fprintf(stderr, "\r\033[K%s: %s", m_pStage, m_counter.c_str());
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

bool CCliUserInterface::ChooseFile(FileRole role, const std::string&, const std::string&,
                                   const std::string&, std::string& path) {
    path = role == FileRole::Source ? m_options.source : m_options.target;
    return true;
}

ExistingFileChoice CCliUserInterface::AskExistingFile(const std::string& path) {
    if (m_options.existing != ExistingFileChoice::None) {
        return m_options.existing;
    }
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
    Resolution answer = m_options.*option.pAnswer;
    if (answer != Resolution::None) {
        policy.resolution = answer;
        policy.applyToAll = true;
        return;
    }
    // Said after the message that names the waypoint and where it was read.
    m_hint = std::string("settle it with ") + option.pName + " " + AnswerWords(option);
    policy.resolution = Resolution::Abort;
}

bool CCliUserInterface::ChooseTextTemplate(CTextTemplate& chosenTemplate, const std::string&, bool,
                                           bool) {
    chosenTemplate = m_layout;
    return true;
}

void CCliUserInterface::ShowMessage(const std::string& text) {
    if (m_options.quiet && text == SuccessMessage(m_options.target)) {
        return;
    }
    EndProgress();
    std::string line = text;
    while (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    std::fprintf(stderr, "pathfolio-cli: %s\n", Printable(line).c_str());
    if (!m_hint.empty()) {
        std::fprintf(stderr, "pathfolio-cli: %s\n", m_hint.c_str());
        m_hint.clear();
    }
}
