// pathfolio-cli: the conversion job of Pathfolio, answered from the command line.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "cli/CliLayout.h"
#include "cli/CliOptions.h"
#include "cli/CliUserInterface.h"
#include "job/Converter.h"
#include "templates/TemplateStore.h"

namespace {

std::atomic<CConverter*> g_pConverter{nullptr};
std::atomic<bool> g_bInterrupted{false};

// Stops the job at its next waypoint, so the target stays as it was and the
// temporary file goes; a second interrupt ends the program at once.
void OnInterrupt(int) {
    g_bInterrupted = true;
    if (CConverter* pConverter = g_pConverter.load()) {
        pConverter->RequestStop();
    }
}

bool CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND;
    if (sigemptyset(&action.sa_mask) != 0) {
        return false;
    }
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        if (sigaction(nSignal, &action, nullptr) != 0) {
            return false;
        }
    }
    return true;
}

std::string CurrentDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

int Convert(const CCliOptions& options, const std::string& storePath) {
    bool bShowProgress = !options.quiet && ::isatty(STDERR_FILENO);
    CCliUserInterface ui(options, bShowProgress);
    CConverter converter(&ui);
    int nExitCode = EXIT_CONVERTED;
    CTextTemplate layout;
    if (!ResolveLayout(options, storePath, layout, nExitCode)) {
        return nExitCode;
    }
    ui.SetLayout(layout);

    g_pConverter = &converter;
    if (!CatchInterrupts()) {
        std::fprintf(stderr, "pathfolio-cli: cannot catch interrupts; nothing was written\n");
        return EXIT_FAILED;
    }
    bool bMapSourceSource = IsMapSourcePath(options.source);
    converter.Start(bMapSourceSource ? KIND_MAPSOURCE : KIND_TEXT,
                    bMapSourceSource ? KIND_TEXT : KIND_MAPSOURCE);
    bool bConverted = converter.Wait();
    g_pConverter = nullptr;
    ui.EndProgress();
    if (!bConverted && g_bInterrupted) {
        std::fprintf(stderr, "pathfolio-cli: interrupted; \"%s\" was left as it was\n",
                     Printable(options.target).c_str());
    }
    return bConverted ? EXIT_CONVERTED : EXIT_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
    // Where the templates are kept is fixed once, before anything runs.
    const std::string storePath = TemplateStorePath(CurrentDirectory());
    CCliOptions options;
    int nExitCode = EXIT_CONVERTED;
    if (!ParseCommandLine(argc, argv, options, nExitCode)) {
        return nExitCode;
    }
    return Convert(options, storePath);
}
