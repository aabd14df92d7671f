#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "templates/TextTemplate.h"

constexpr const char* TEMPLATE_STORE_FILE_NAME = "PathfolioTemplates.dat";

// The template file of the given directory. A program fixes the path once at
// start-up (the current directory then) and hands it to whoever needs it.
std::string TemplateStorePath(const std::string& directory);

// The stored templates, kept in alphabetical order of their names ignoring
// case; names are unique ignoring case. The file is a plain run of records.
class CTemplateStore {
public:
    // Reads the file, creating it empty when it does not exist. A short last
    // record is ignored, a name without its terminator is cut, and a record
    // whose name an earlier one already has (ignoring case) is dropped.
    // False when the file can neither be opened nor created.
    bool Load(const std::string& path);
    // Rewrites the file through a temporary file beside it, so a failed save
    // leaves the old file whole. False when the file could not be written.
    bool Save(const std::string& path) const;
    // The system's reason for the last failed Load or Save.
    const std::string& ErrorText() const { return m_strError; }

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
    std::vector<CTextTemplate> m_templates;
    mutable std::string m_strError;
};
