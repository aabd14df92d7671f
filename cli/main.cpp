// pathfolio-cli: the conversion job of Pathfolio, answered from the command line.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/CliLayout.h"
#include "cli/CliOptions.h"
#include "cli/CliUserInterface.h"
#include "job/Converter.h"
#include "templates/TemplateStore.h"

namespace {

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&signals, nSignal);
    }
    return signals;
}

void SayInterrupted(const std::string& target) {
    std::fprintf(stderr, "pathfolio-cli: interrupted; \"%s\" was left as it was\n",
                 Printable(target).c_str());
}

// Takes the stop signals while the job runs: the first asks the job to stop
// (at its next waypoint, or inside a long copy, read or wait for a lock); a
// second removes the temporary file and ends the program at once. Returns the
// first signal, or 0.
int WaitForJob(CConverter& converter, CCliUserInterface& ui, const std::string& target) {
    const sigset_t signals = StopSignals();
    const timespec tick = {0, 20'000'000};
    int nFirst = 0;
    while (converter.IsRunning()) {
        int nSignal = ::sigtimedwait(&signals, nullptr, &tick);
        if (nSignal <= 0) {
            continue;
        }
        if (nFirst == 0) {
            nFirst = nSignal;
            converter.RequestStop();
            continue;
        }
        converter.DiscardStagedTarget();
        ui.EndProgress();
        SayInterrupted(target);
        ::_exit(128 + nFirst);
    }
    return nFirst;
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

    // Stop signals now wait for the main thread (WaitForJob), so one that comes
    // before the job has started is not lost; blocked before the worker starts,
    // which inherits the mask.
    const sigset_t signals = StopSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    const timespec now = {0, 0};
    if (int nPending = ::sigtimedwait(&signals, nullptr, &now); nPending > 0) {
        // A job that starts now may finish before WaitForJob looks.
        SayInterrupted(options.target);
        return 128 + nPending;
    }
    converter.Start(RequestFor(options, layout));
    int nSignal = WaitForJob(converter, ui, options.target);
    bool bConverted = converter.Wait();
    ui.EndProgress();
    if (!bConverted && nSignal != 0) {
        SayInterrupted(options.target);
        return 128 + nSignal;
    }
    return bConverted ? EXIT_CONVERTED : EXIT_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
    // Where the templates are kept is fixed once, before anything runs.
    const std::string storePath = LocateTemplateStore();
    CCliOptions options;
    int nExitCode = EXIT_CONVERTED;
    if (!ParseCommandLine(argc, argv, options, nExitCode, storePath)) {
        return nExitCode;
    }
    return Convert(options, storePath);
}
