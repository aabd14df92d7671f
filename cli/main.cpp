// pathfolio-cli: the conversion job of Pathfolio, answered from the command line.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <thread>

#include "cli/CliLayout.h"
#include "cli/CliOptions.h"
#include "cli/CliUserInterface.h"
#include "job/Converter.h"
#include "platform/StandardDescriptors.h"
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

// The stop signals and the job's end.
sigset_t AwaitedSignals() {
    sigset_t signals = StopSignals();
    sigaddset(&signals, CCliUserInterface::JOB_ENDED_SIGNAL);
    return signals;
}

void SayInterrupted(const std::string& target, bool bLeftAsItWas) {
    std::fprintf(stderr, "pathfolio-cli: interrupted; \"%s\" %s\n", Printable(target).c_str(),
                 bLeftAsItWas ? "was left as it was" : "was changed before the stop");
}

// Takes the stop signals while running() holds: the first calls stop(); a
// second ends the program at once, unless discard() says that the target can
// no longer be left as it was (it was already renamed over or is being
// written in place): the run then goes on to its end. A job that has ended
// by then, before or while its target was discarded, is waited for as after
// the first signal. Returns the first signal, or 0.
int TakeStopSignals(const std::function<bool()>& running, const std::function<void()>& stop,
                    const std::function<bool()>& discard, CCliUserInterface& ui,
                    const std::string& target) {
    const sigset_t signals = AwaitedSignals();
    const timespec tick = {0, 20'000'000};
    int nFirst = 0;
    while (running()) {
        int nSignal = ::sigtimedwait(&signals, nullptr, &tick);
        if (nSignal <= 0 || nSignal == CCliUserInterface::JOB_ENDED_SIGNAL) {
            continue;
        }
        if (nFirst == 0) {
            nFirst = nSignal;
            stop();
        } else if (running() && discard() && running()) {
            ui.EndProgress();
            SayInterrupted(target, true);
            ::_exit(128 + nFirst);
        }
    }
    return nFirst;
}

// Resolves the layout on a thread of its own, so that the stop signals are
// taken while it waits for the template store's lock. Returns the first
// signal, or 0.
int ResolveLayoutStoppably(const CCliOptions& options, const std::string& storePath,
                           CCliUserInterface& ui, CTextTemplate& layout, bool& bResolved,
                           int& nExitCode) {
    std::atomic<bool> bStop{false};
    std::atomic<bool> bRunning{true};
    std::exception_ptr pFailure;
    std::thread resolver([&] {
        try {
            bResolved = ResolveLayout(options, storePath, layout, nExitCode, &bStop);
        } catch (...) {
            pFailure = std::current_exception();
        }
        bRunning = false;
    });
    int nSignal = TakeStopSignals([&] { return bRunning.load(); }, [&] { bStop = true; },
                                  [] { return true; }, ui, options.target);
    resolver.join();
    if (pFailure) {
        std::rethrow_exception(pFailure);
    }
    return nSignal;
}

int Convert(const CCliOptions& options, const std::string& storePath) {
    bool bShowProgress = !options.quiet && ::isatty(STDERR_FILENO);
    CCliUserInterface ui(options, bShowProgress);
    CConverter converter(&ui);
    int nExitCode = EXIT_CONVERTED;
    CTextTemplate layout;
    bool bResolved = false;
    int nSignal = ResolveLayoutStoppably(options, storePath, ui, layout, bResolved, nExitCode);
    if (nSignal == 0) {
        const sigset_t signals = StopSignals();
        const timespec now = {0, 0};
        nSignal = std::max(::sigtimedwait(&signals, nullptr, &now), 0);
    }
    if (nSignal != 0) {
        // A job that started now might finish before the signal is looked at.
        SayInterrupted(options.target, true);
        return 128 + nSignal;
    }
    if (!bResolved) {
        return nExitCode;
    }
    converter.Start(RequestFor(options, layout));
    nSignal = TakeStopSignals([&] { return converter.IsRunning() && !ui.HasJobEnded(); },
                              [&] { converter.RequestStop(); },
                              [&] { return converter.DiscardStagedTarget(); }, ui, options.target);
    bool bConverted = converter.Wait();
    ui.EndProgress();
    if (!bConverted && nSignal != 0) {
        SayInterrupted(options.target, converter.DiscardStagedTarget());
        return 128 + nSignal;
    }
    return bConverted ? EXIT_CONVERTED : EXIT_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
    OpenClosedStandardDescriptors();
    // The stop signals wait for the main thread from here on (TakeStopSignals),
    // so none ends the run without a word, and one ignored by whoever started
    // the run still stops it; so does the job's end. Threads inherit the mask.
    const sigset_t signals = AwaitedSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        // Where the templates are kept is fixed once, before anything runs.
        const std::string storePath = LocateTemplateStore();
        CCliOptions options;
        int nExitCode = EXIT_CONVERTED;
        if (!ParseCommandLine(argc, argv, options, nExitCode, storePath)) {
            return nExitCode;
        }
        return Convert(options, storePath);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "pathfolio-cli: Not enough memory !\n");
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "pathfolio-cli: %s\n", failure.what());
    }
    return EXIT_FAILED;
}
