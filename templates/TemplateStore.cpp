#include "templates/TemplateStore.h"

#include <algorithm>

#include "platform/AsciiCase.h"
#include "platform/PlatformFile.h"

std::string TemplateStorePath(const std::string& directory) {
    return directory + "/" + TEMPLATE_STORE_FILE_NAME;
}

bool CTemplateStore::Load(const std::string& path) {
    m_templates.clear();
    CPlatformFile file;
    if (!file.Open(path, OPEN_SOURCE) && !file.Open(path, modeCreate | modeNoTruncate | modeRead)) {
        m_strError = file.ErrorText();
        return false;
    }
    unsigned char bytes[CTextTemplate::RECORD_SIZE];
    while (file.Read(bytes, sizeof bytes) == sizeof bytes) {
        CTextTemplate record = CTextTemplate::Decode(bytes);
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
