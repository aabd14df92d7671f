#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "templates/TextTemplate.h"

class CPlatformFile;

constexpr const char* TEMPLATE_STORE_FILE_NAME = "PathfolioTemplates.dat";

// The template file of the given directory.
std::string TemplateStorePath(const std::string& directory);

// Where the template store is: PathfolioTemplates.dat in the current directory
// when one is there; otherwise in the folder "pathfolio" of the user's data
// directory, $XDG_DATA_HOME when that is an absolute path, else
// ~/.local/share (without a home directory, the current directory).
std::string TemplateStoreLocation(const std::string& currentDirectory, const char* pXdgDataHome,
                                  const char* pHome);
// The same for this process, from its current directory and environment. A
// program calls it once at start-up and hands the path to whoever needs it.
std::string LocateTemplateStore();

// The stored templates, kept in alphabetical order of their names ignoring
// case; names are unique ignoring case. The file is a plain run of records.
class CTemplateStore {
public:
    // Reads the file, creating it empty (and its directory) when it does not
    // exist. A short last record is ignored, a name without its terminator is
    // cut, and a record whose name an earlier one already has (ignoring case)
    // is dropped. False when the file can neither be opened nor created.
    bool Load(const std::string& path);
    // Rewrites the file through a temporary file beside it, so a failed save
    // leaves the old file whole, holding the file's lock meanwhile. False when
    // the file could not be written.
    bool Save(const std::string& path) const;
    // Changes the file so that no other program's change is lost: locks it,
    // loads it again, applies change and saves. False when the file could not
    // be read or written, or change returned false (nothing is written then).
    bool Update(const std::string& path, const std::function<bool(CTemplateStore&)>& change);
    // Update's wait for another program's lock ends, as a failure, once the
    // flag is set. It must outlive the store.
    void SetStopFlag(const std::atomic<bool>* pStop) { m_pStop = pStop; }
    // The system's reason for the last failed Load or Save.
    const std::string& ErrorText() const { return m_strError; }

    // The position of the name, or of the first name that starts with the
    // text, ignoring case; -1 when there is none.
    int FindExact(std::string_view text) const;
    int FindPrefix(std::string_view text) const;
    // Inserts a copy at its sorted place; the caller has made sure that the
    // name is not taken.
    int Add(const CTextTemplate& record);
    void Remove(int nPosition);
    void RemoveAll() { m_templates.clear(); }

    int GetCount() const { return static_cast<int>(m_templates.size()); }
    const CTextTemplate& GetAt(int nPosition) const {
        return m_templates[static_cast<size_t>(nPosition)];
    }

private:
    bool Write(CPlatformFile& file, const std::string& path) const;

    std::vector<CTextTemplate> m_templates;
    mutable std::string m_strError;
    const std::atomic<bool>* m_pStop = nullptr;
};
