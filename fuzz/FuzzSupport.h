#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/UserInterface.h"
#include "engine/WaypointTable.h"
#include "templates/TextTemplate.h"

// A file in memory with a path that the file layer can open.
class CMemoryFile {
public:
    CMemoryFile() : m_fd(::memfd_create("pathfolio-fuzz", 0)) {}
    ~CMemoryFile() { ::close(m_fd); }
    CMemoryFile(const CMemoryFile&) = delete;
    CMemoryFile& operator=(const CMemoryFile&) = delete;

    void Fill(const uint8_t* pData, size_t nSize) {
        if (::ftruncate(m_fd, 0) != 0 ||
            ::pwrite(m_fd, pData, nSize, 0) != static_cast<ssize_t>(nSize)) {
            __builtin_trap();
        }
    }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};

// Settles every fault without asking: names taken get a suffix, the rest is discarded.
class CFuzzUserInterface : public CUserInterface {
public:
    CTextTemplate m_layout;

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
                                WaypointError error) override {
        policy.resolution = error == WaypointError::NameExists    ? Resolution::AddSuffix
                            : error == WaypointError::NameTooLong ? Resolution::Truncate
                                                                  : Resolution::Discard;
        policy.applyToAll = true;
    }
    bool ChooseTextTemplate(CTextTemplate& chosen, const std::string&, bool, bool) override {
        chosen = m_layout;
        return true;
    }
    void ShowMessage(const std::string&) override {}
};
