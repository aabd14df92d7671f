#pragma once

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/UserInterface.h"
#include "engine/WaypointTable.h"

// Answers every fault with a standing Add Suffix and shows nothing, as a
// conversion that nobody watches.
class CSilentUserInterface : public CUserInterface {
public:
    CTextTemplate* m_pLayout = nullptr;

    void EnableControl(int, bool) override {}
    void CheckControl(int, bool) override {}
    void SetControlText(int, std::string_view) override {}
    bool ChooseFile(FileRole, const std::string&, const std::string&, const std::string&,
                    std::string&) override {
        return false;
    }
    ExistingFileChoice AskExistingFile(const std::string&) override {
        return ExistingFileChoice::Abort;
    }
    void ResolveInvalidWaypoint(std::string&, ResolutionPolicy& policy, const CWaypointTable&, int,
                                WaypointError) override {
        policy.resolution = Resolution::AddSuffix;
        policy.applyToAll = true;
    }
    bool ChooseTextTemplate(CTextTemplate& chosen, const std::string&, bool, bool) override;
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

class CStopwatch {
public:
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// The process's peak resident memory so far, in megabytes.
inline double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A distinct valid waypoint for each number.
CWaypoint BenchWaypoint(int nIndex);
