#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/WaypointTable.h"
#include "job/ConversionRequest.h"
#include "platform/TextEncoding.h"

// What the command line asks for. Resolution::None and ExistingTarget::Ask
// mean that the option was not given.
struct CCliOptions {
    std::string source;
    std::string target;

    std::string templateName;
    std::string columns;
    int firstRow = 1;
    int delimiter = ',';
    std::string saveTemplateName;
    TextEncoding encoding = TextEncoding::Detect;
    bool decimalComma = false;

    ExistingTarget existing = ExistingTarget::Ask;
    Resolution onDuplicate = Resolution::None;
    Resolution onLongName = Resolution::None;
    Resolution onBadName = Resolution::None;
    Resolution onBadCoordinate = Resolution::None;

    bool quiet = false;
};

// An option that settles one kind of waypoint fault, and the words it takes.
struct CAnswerOption {
    const char* pName;  // "--on-duplicate"
    const char* pHelp;
    std::vector<std::pair<std::string, Resolution>> words;
    Resolution CCliOptions::*pAnswer;
};

// The four answer options, in the order of the help.
const std::vector<CAnswerOption>& AnswerOptions();
// The option that settles the fault.
const CAnswerOption& AnswerOptionFor(WaypointError error);
// The option's words joined with '|', as the help and the messages show them.
std::string AnswerWords(const CAnswerOption& option);

// The job the options ask for: every text file laid out by the layout, and
// the answers the options give.
ConversionRequest RequestFor(const CCliOptions& options, const CTextTemplate& layout);

enum CliExitCode { EXIT_CONVERTED = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// Parses the arguments. False when the program should end at once with nExitCode:
// after --help or --version (0), or a usage error, already reported (2). The
// help names the template store's path.
bool ParseCommandLine(int argc, char** argv, CCliOptions& options, int& nExitCode,
                      const std::string& storePath = std::string());

// The columns word that finds the layout from the text file's first line.
constexpr const char* AUTO_COLUMNS = "auto";
