#include "templates/TemplateStore.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/AsciiCase.h"
#include "platform/PlatformFile.h"
#include "platform/SystemCalls.h"

namespace {

constexpr const char* DATA_FOLDER = "pathfolio";
// Far more than anyone's templates (over 200,000 of them): a larger file is
// not read, which would take as much memory.
constexpr uint64_t MAX_STORE_SIZE = uint64_t{64} << 20;

bool ByName(const CTextTemplate& a, const CTextTemplate& b) {
    return LessIgnoringCase(a.Name(), b.Name());
}

// Creates the folders of the path that do not exist, for the user alone.
// Returns 0, or the errno of the folder that could not be created.
int CreateFoldersOf(const std::string& path) {
    for (size_t nSlash = path.find('/', 1); nSlash != std::string::npos;
         nSlash = path.find('/', nSlash + 1)) {
        std::string folder = path.substr(0, nSlash);
        if (Sys().mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
    }
    return 0;
}

// The reason the folders could not be created, when they could not, is the
// reason; the file's own otherwise.
std::string ReasonOf(int nFolderErrno, const CPlatformFile& file) {
    return nFolderErrno != 0 ? std::system_category().message(nFolderErrno) : file.ErrorText();
}

// A file that does not exist is created empty, with its folders. False with
// the reason.
bool OpenOrCreate(CPlatformFile& file, const std::string& path, std::string& reason) {
    if (file.Open(path, OPEN_SOURCE)) {
        return true;
    }
    int nFolderErrno = CreateFoldersOf(path);
    if (file.Open(path, modeCreate | modeNoTruncate | modeRead)) {
        return true;
    }
    reason = ReasonOf(nFolderErrno, file);
    return false;
}

}  // namespace

std::string TemplateStorePath(const std::string& directory) {
    return directory + "/" + TEMPLATE_STORE_FILE_NAME;
}

std::string TemplateStoreLocation(const std::string& currentDirectory, const char* pXdgDataHome,
                                  const char* pHome) {
    std::string inCurrent = TemplateStorePath(currentDirectory);
    struct stat status {};
    if (::stat(inCurrent.c_str(), &status) == 0) {
        return inCurrent;
    }
    if (pXdgDataHome != nullptr && pXdgDataHome[0] == '/') {
        return TemplateStorePath(std::string(pXdgDataHome) + "/" + DATA_FOLDER);
    }
    if (pHome != nullptr && pHome[0] == '/') {
        return TemplateStorePath(std::string(pHome) + "/.local/share/" + DATA_FOLDER);
    }
    return inCurrent;
}

std::string LocateTemplateStore() {
    char buffer[4096];
    std::string current = ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : ".";
    const char* pHome = std::getenv("HOME");
    if (pHome == nullptr || pHome[0] == '\0') {
        const passwd* pUser = ::getpwuid(::getuid());
        pHome = pUser != nullptr ? pUser->pw_dir : nullptr;
    }
    return TemplateStoreLocation(current, std::getenv("XDG_DATA_HOME"), pHome);
}

bool CTemplateStore::Load(const std::string& path) {
    m_templates.clear();
    CPlatformFile file;
    if (!OpenOrCreate(file, path, m_strError)) {
        return false;
    }
    if (file.GetLength() > MAX_STORE_SIZE) {
        m_strError = "larger than 64 MiB, too large for a template store";
        return false;
    }
    std::vector<CTextTemplate> records;
    records.reserve(static_cast<size_t>(file.GetLength() / CTextTemplate::RECORD_SIZE));
    unsigned char bytes[CTextTemplate::RECORD_SIZE];
    while (file.Read(bytes, sizeof bytes) == sizeof bytes) {
        records.push_back(CTextTemplate::Decode(bytes));
    }
    if (file.HasFailed()) {
        m_strError = file.ErrorText();
        return false;
    }
    // Sorted by folded name, then by place in the file; of names equal
    // ignoring case, the first in the file stays.
    std::vector<std::pair<std::string, size_t>> keys(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        keys[i].first = records[i].Name();
        LowerAscii(keys[i].first);
        keys[i].second = i;
    }
    std::sort(keys.begin(), keys.end());
    m_templates.reserve(records.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i == 0 || keys[i].first != keys[i - 1].first) {
            m_templates.push_back(records[keys[i].second]);
        }
    }
    return true;
}

bool CTemplateStore::Save(const std::string& path) const {
    int nFolderErrno = CreateFoldersOf(path);
    CPlatformFile file;
    if (!Write(file, path)) {
        m_strError = ReasonOf(nFolderErrno, file);
        return false;
    }
    return true;
}

bool CTemplateStore::Update(const std::string& path,
                            const std::function<bool(CTemplateStore&)>& change) {
    CPlatformFile lockedFile;
    lockedFile.SetStopFlag(m_pStop);
    {
        CPlatformFile created;  // only an existing file can be locked
        if (!OpenOrCreate(created, path, m_strError)) {
            return false;
        }
    }
    if (!lockedFile.OpenStaged(path, OPEN_TARGET_NEW)) {
        m_strError = lockedFile.ErrorText();
        return false;
    }
    m_strError.clear();
    return Load(path) && change(*this) && Write(lockedFile, path);
}

// Writes the records to the file, opening it staged unless it is open already.
bool CTemplateStore::Write(CPlatformFile& file, const std::string& path) const {
    bool bSaved = file.IsOpen() || file.OpenStaged(path, OPEN_TARGET_NEW);
    if (bSaved) {
        unsigned char bytes[CTextTemplate::RECORD_SIZE];
        for (const CTextTemplate& record : m_templates) {
            record.Encode(bytes);
            file.Write(bytes, sizeof bytes);  // a failure is kept and reported by Commit
        }
        bSaved = file.Commit();
    }
    if (!bSaved) {
        m_strError = file.ErrorText();
    }
    return bSaved;
}

int CTemplateStore::FindExact(std::string_view text) const {
    int nPosition = FindPrefix(text);
    return nPosition >= 0 && GetAt(nPosition).Name().size() == text.size() ? nPosition : -1;
}

// Names that start with the text come first among those not less than it.
int CTemplateStore::FindPrefix(std::string_view text) const {
    auto it = std::lower_bound(
        m_templates.begin(), m_templates.end(), text,
        [](const CTextTemplate& a, std::string_view b) { return LessIgnoringCase(a.Name(), b); });
    if (it == m_templates.end()) {
        return -1;
    }
    std::string_view name = it->Name();
    return name.size() >= text.size() && EqualIgnoringCase(name.substr(0, text.size()), text)
               ? static_cast<int>(it - m_templates.begin())
               : -1;
}

int CTemplateStore::Add(const CTextTemplate& record) {
    auto it = std::upper_bound(m_templates.begin(), m_templates.end(), record, ByName);
    it = m_templates.insert(it, record);
    return static_cast<int>(it - m_templates.begin());
}

void CTemplateStore::Remove(int nPosition) {
    if (nPosition >= 0 && nPosition < GetCount()) {
        m_templates.erase(m_templates.begin() + nPosition);
    }
}
