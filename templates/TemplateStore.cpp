#include "templates/TemplateStore.h"

#include <algorithm>
#include <cstring>

#include "files/PlatformFile.h"

namespace {

std::string g_templateStorePath;

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldCase(x)) < static_cast<unsigned char>(FoldCase(y));
    });
}

}  // namespace

const std::string& templateStorePath() {
    return g_templateStorePath;
}

void SetTemplateStorePath(const std::string& directory) {
    g_templateStorePath = directory + "/" + TEMPLATE_STORE_FILE_NAME;
}

bool CTemplateStore::Load(const std::string& path) {
    m_templates.clear();
    CPlatformFile file;
    if (!file.Open(path, OPEN_SOURCE) && !file.Open(path, modeCreate | modeNoTruncate | modeRead)) {
        m_strError = file.ErrorText();
        return false;
    }
    CTextTemplate record;
    while (file.Read(&record, sizeof record) == sizeof record) {
        if (std::memchr(record.name, '\0', sizeof record.name) == nullptr) {
            record.name[CTextTemplate::MAX_NAME_LENGTH] = '\0';
        }
        if (FindExact(record.Name()) < 0) {
            Add(record);
        }
    }
    if (file.HasFailed()) {
        m_strError = file.ErrorText();
        m_templates.clear();
        return false;
    }
    return true;
}

bool CTemplateStore::Save(const std::string& path) const {
    CPlatformFile file;
    bool bSaved = file.OpenStaged(path, OPEN_TARGET_NEW);
    for (const CTextTemplate& record : m_templates) {
        bSaved = bSaved && file.Write(&record, sizeof record);
    }
    bSaved = bSaved && file.Commit();
    if (!bSaved) {
        m_strError = file.ErrorText();
    }
    return bSaved;
}

int CTemplateStore::FindExact(std::string_view text) const {
    for (size_t i = 0; i < m_templates.size(); ++i) {
        if (EqualIgnoringCase(m_templates[i].Name(), text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CTemplateStore::FindPrefix(std::string_view text) const {
    for (size_t i = 0; i < m_templates.size(); ++i) {
        std::string_view name = m_templates[i].Name();
        if (name.size() >= text.size() && EqualIgnoringCase(name.substr(0, text.size()), text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CTemplateStore::Add(const CTextTemplate& record) {
    auto it = std::upper_bound(m_templates.begin(), m_templates.end(), record,
                               [](const CTextTemplate& a, const CTextTemplate& b) {
                                   return LessIgnoringCase(a.Name(), b.Name());
                               });
    it = m_templates.insert(it, record);
    return static_cast<int>(it - m_templates.begin());
}

void CTemplateStore::Remove(int nPosition) {
    if (nPosition >= 0 && nPosition < GetCount()) {
        m_templates.erase(m_templates.begin() + nPosition);
    }
}
