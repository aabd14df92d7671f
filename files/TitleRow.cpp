#include "files/TitleRow.h"

#include <algorithm>
#include <vector>

#include "files/TextRowReader.h"
#include "platform/AsciiCase.h"
#include "platform/PlatformFile.h"

namespace {

struct CTitleWords {
    const char* pField;  // as the person knows it
    std::vector<std::string> words;
};

const CTitleWords TITLES[] = {
    {"name", {"name", "title", "ident"}},
    {"latitude", {"lat", "latitude", "y"}},
    {"longitude", {"lon", "long", "lng", "longitude", "x"}},
    {"comment", {"comment", "cmt", "desc", "description", "notes"}},
};

std::string Trimmed(std::string text) {
    const char* pBlanks = " \t\r\n";
    size_t nStart = text.find_first_not_of(pBlanks);
    if (nStart == std::string::npos) {
        return std::string();
    }
    text = text.substr(nStart, text.find_last_not_of(pBlanks) - nStart + 1);
    LowerAscii(text);
    return text;
}

// The first row as the reader splits it with the delimiter; false with the reason.
bool ReadFirstRow(CPlatformFile& file, char delimiter, std::vector<std::string>& fields,
                  std::string& problem) {
    auto result = CTextRowReader::Result::Failed;
    if (file.Seek(0, CPlatformFile::SeekFrom::Begin)) {
        CTextRowReader reader(file, delimiter);
        result = reader.Next(fields);
    }
    const std::string quoted = "\"" + file.GetFilePath() + "\"";
    switch (result) {
        case CTextRowReader::Result::Row:
            if (!fields.empty()) {
                return true;
            }
            [[fallthrough]];
        case CTextRowReader::Result::End:
            problem = "File " + quoted + " has no titles on its first line";
            break;
        case CTextRowReader::Result::TooLong:
            problem = "The first line of file " + quoted + " is longer than 1 MiB";
            break;
        case CTextRowReader::Result::OpenQuote:
            problem = "The first line of file " + quoted +
                      " begins a quoted field that is not closed before the end of the file";
            break;
        case CTextRowReader::Result::Failed:
            problem = "Fail to read file " + quoted + " (" + file.ErrorText() + ")";
            break;
    }
    return false;
}

char GuessDelimiter(const std::string& line) {
    char best = '\0';
    size_t nBest = 0;
    for (char candidate : {'\t', ';', ','}) {
        size_t nCount = static_cast<size_t>(std::count(line.begin(), line.end(), candidate));
        if (nCount > nBest) {
            best = candidate;
            nBest = nCount;
        }
    }
    return best;
}

int FindTitle(const std::vector<std::string>& titles, const CTitleWords& wanted) {
    for (size_t i = 0; i < titles.size(); ++i) {
        if (std::find(wanted.words.begin(), wanted.words.end(), titles[i]) != wanted.words.end()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string MissingTitles(const std::vector<const CTitleWords*>& missing) {
    std::string text;
    for (const CTitleWords* pTitle : missing) {
        std::string words;
        for (const std::string& word : pTitle->words) {
            words += (words.empty() ? "" : ", ") + word;
        }
        text += std::string(text.empty() ? "" : "; ") + "no title for the " + pTitle->pField +
                " (" + words + ")";
    }
    return text;
}

}  // namespace

bool FindColumnsFromTitles(const std::string& path, CTextTemplate& layout, std::string& problem) {
    CPlatformFile file;
    std::vector<std::string> fields;
    if (!file.Open(path, OPEN_SOURCE)) {
        problem = "Fail to open file \"" + path + "\" (" + file.ErrorText() + ")";
        return false;
    }
    if (!ReadFirstRow(file, '\0', fields, problem)) {
        return false;
    }
    char delimiter = GuessDelimiter(fields[0]);
    if (!ReadFirstRow(file, delimiter, fields, problem)) {
        return false;
    }
    std::vector<std::string> titles;
    for (const std::string& field : fields) {
        titles.push_back(Trimmed(field));
    }
    int columns[4];
    std::vector<const CTitleWords*> missing;
    for (int i = 0; i < 4; ++i) {
        columns[i] = FindTitle(titles, TITLES[i]);
        if (columns[i] < 0 && i < 3) {
            missing.push_back(&TITLES[i]);
        }
    }
    if (!missing.empty()) {
        problem = "The first line of \"" + path + "\": " + MissingTitles(missing);
        return false;
    }
    int nComment = columns[3] >= 0
                       ? columns[3]
                       : std::min(static_cast<int>(titles.size()), CTextTemplate::MAX_COLUMN);
    layout = CTextTemplate::WithColumns(columns[0], columns[1], columns[2], nComment, 2, delimiter);
    return true;
}
