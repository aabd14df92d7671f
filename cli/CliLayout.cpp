#include "cli/CliLayout.h"

#include <sys/stat.h>

#include <cstdio>
#include <sstream>
#include <vector>

#include "files/FileKinds.h"
#include "files/TitleRow.h"
#include "templates/ColumnLetters.h"
#include "templates/TemplateStore.h"

namespace {

bool Fail(int& nExitCode, int nCode, const std::string& message) {
    std::fprintf(stderr, "pathfolio-cli: %s\n", message.c_str());
    nExitCode = nCode;
    return false;
}

bool ParseColumns(const std::string& text, CTextTemplate& layout, int& nExitCode) {
    std::vector<std::string> letters;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');) {
        letters.push_back(item);
    }
    if (letters.size() != 4 || text.back() == ',') {
        return Fail(nExitCode, EXIT_USAGE,
                    "--columns takes four column letters: NAME,LATITUDE,LONGITUDE,COMMENT");
    }
    int32_t* columns[] = {&layout.nameColumn, &layout.latitudeColumn, &layout.longitudeColumn,
                          &layout.commentColumn};
    for (size_t i = 0; i < 4; ++i) {
        uint16_t nIndex = ColumnLettersToIndex(letters[i]);
        if (nIndex == INVALID_COLUMN) {
            return Fail(
                nExitCode, EXIT_USAGE,
                "--columns: \"" + letters[i] + "\" are not column letters (A, B, ... AA ...)");
        }
        *columns[i] = nIndex;
    }
    return true;
}

bool FindStoredTemplate(const std::string& name, const std::string& path, CTextTemplate& layout,
                        int& nExitCode) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return Fail(nExitCode, EXIT_USAGE,
                    "no template \"" + name + "\": there is no " + path +
                        " (store one with --columns and --save-template)");
    }
    CTemplateStore store;
    if (!store.Load(path)) {
        return Fail(nExitCode, EXIT_FAILED,
                    "Fail to open file \"" + path + "\" (" + store.ErrorText() + ")");
    }
    int nPosition = store.FindExact(name);
    if (nPosition < 0) {
        return Fail(nExitCode, EXIT_USAGE, "no template \"" + name + "\" in " + path);
    }
    layout = store.GetAt(nPosition);
    return true;
}

bool SaveTemplate(const std::string& name, const std::string& path, CTextTemplate layout,
                  int& nExitCode, const std::atomic<bool>* pStop) {
    if (name.empty() || name.size() > CTextTemplate::MAX_NAME_LENGTH) {
        return Fail(nExitCode, EXIT_USAGE, "--save-template takes a name of 1 to 254 characters");
    }
    layout.SetName(name);
    bool bTaken = false;
    CTemplateStore store;
    store.SetStopFlag(pStop);
    bool bSaved = store.Update(path, [&](CTemplateStore& stored) {
        bTaken = stored.FindExact(name) >= 0;
        return !bTaken && stored.Add(layout) >= 0;
    });
    if (bTaken) {
        return Fail(
            nExitCode, EXIT_USAGE,
            "a template \"" + name + "\" is already stored in " + path + "; choose another name");
    }
    if (!bSaved && pStop->load()) {
        return false;
    }
    if (!bSaved) {
        return Fail(nExitCode, EXIT_FAILED,
                    "Fail to save file \"" + path + "\" (" + store.ErrorText() + ")");
    }
    return true;
}

// The layout of the text file's first line; the text file is the source, or
// a target that is there to append to.
bool FindAutoColumns(const CCliOptions& options, CTextTemplate& layout, int& nExitCode) {
    const std::string& textPath =
        KindOfPath(options.source) == FileKind::Text ? options.source : options.target;
    struct stat status {};
    if (textPath == options.target && ::stat(textPath.c_str(), &status) != 0) {
        return Fail(nExitCode, EXIT_USAGE,
                    "--columns auto reads the text file's first line, and \"" + textPath +
                        "\" does not exist");
    }
    std::string problem;
    if (!FindColumnsFromTitles(textPath, layout, problem)) {
        return Fail(nExitCode, EXIT_FAILED, "--columns auto: " + problem);
    }
    return true;
}

bool LayoutFromOptions(const CCliOptions& options, const std::string& storePath,
                       CTextTemplate& layout, int& nExitCode) {
    if (!options.templateName.empty()) {
        return FindStoredTemplate(options.templateName, storePath, layout, nExitCode);
    }
    if (options.columns.empty()) {
        layout = CTextTemplate::DefaultLayout();
        return true;
    }
    if (options.columns == AUTO_COLUMNS) {
        return FindAutoColumns(options, layout, nExitCode);
    }
    layout = CTextTemplate();
    if (!ParseColumns(options.columns, layout, nExitCode)) {
        return false;
    }
    layout.firstWaypointRow = static_cast<uint16_t>(options.firstRow);
    layout.delimiter = static_cast<char>(options.delimiter);
    return true;
}

}  // namespace

bool ResolveLayout(const CCliOptions& options, const std::string& storePath, CTextTemplate& layout,
                   int& nExitCode, const std::atomic<bool>* pStop) {
    if (!LayoutFromOptions(options, storePath, layout, nExitCode)) {
        return false;
    }
    if (options.encoding != TextEncoding::Detect) {
        layout.encoding = options.encoding;
    }
    layout.decimalComma = layout.decimalComma || options.decimalComma;
    return options.columns.empty() || options.saveTemplateName.empty() ||
           SaveTemplate(options.saveTemplateName, storePath, layout, nExitCode, pStop);
}
