#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/Version.h"
#include "platform/AsciiCase.h"

namespace {

constexpr const char* DESCRIPTION =
    "Converts GPS waypoints between delimited text files, MapSource files (.mps) and GPX files\n"
    "(.gpx). A SOURCE or TARGET whose name ends in .mps is a MapSource file, in .gpx a GPX file,\n"
    "any other a text file; the two must be of different kinds. Elevation and symbol travel\n"
    "between MapSource and GPX. The target is left as it was unless the conversion succeeds.";

template <typename T>
using Words = std::vector<std::pair<std::string, T>>;

const Words<ExistingTarget> EXISTING_ANSWERS = {{"replace", ExistingTarget::Replace},
                                                {"append", ExistingTarget::Append}};
const Words<int> DELIMITERS = {{"comma", ','}, {"tab", '\t'}, {"semicolon", ';'}, {"none", 0}};
const Words<TextEncoding> ENCODINGS = {{"utf-8", TextEncoding::Utf8},
                                       {"windows-1252", TextEncoding::Windows1252}};

template <typename T>
std::string JoinWords(const Words<T>& words) {
    std::string joined;
    for (const auto& word : words) {
        joined += (joined.empty() ? "" : "|") + word.first;
    }
    return joined;
}

// The option takes one of the words, in any case; the help lists them.
template <typename T>
void TakeOneOf(CLI::Option* pOption, const Words<T>& words) {
    std::string typeName = JoinWords(words);
    auto toValue = [&words, typeName](std::string& text) -> std::string {
        for (const auto& word : words) {
            if (EqualIgnoringCase(text, word.first)) {
                text = std::to_string(static_cast<int>(word.second));
                return std::string();
            }
        }
        return "takes " + typeName + ", not \"" + text + "\"";
    };
    pOption->transform(CLI::Validator(toValue, "", "word"))->type_name(typeName);
}

const CLI::Validator NOT_EMPTY(
    [](std::string& text) { return text.empty() ? std::string("needs a value") : std::string(); },
    "", "not empty");

void AddLayoutOptions(CLI::App& app, CCliOptions& options) {
    CLI::Option* pTemplate =
        app.add_option("--template", options.templateName,
                       "Text layout: a stored template (name matched ignoring case)");
    pTemplate->type_name("NAME")->check(NOT_EMPTY);
    CLI::Option* pColumns = app.add_option(
        "--columns", options.columns,
        "Text layout: the column letters of NAME,LATITUDE,LONGITUDE,COMMENT, e.g. A,B,C,D; or "
        "auto: from the titles of the text file's first line (then --first-row is 2)");
    pColumns->type_name("N,LAT,LON,COMMENT")->check(NOT_EMPTY)->excludes(pTemplate);
    app.add_option("--first-row", options.firstRow,
                   "With --columns: the line of the first waypoint, counted from 1 (default 1)")
        ->check(CLI::Range(0, 65535).description(""))
        ->type_name("N")
        ->needs(pColumns);
    CLI::Option* pDelimiter = app.add_option("--delimiter", options.delimiter,
                                             "With --columns: the delimiter (default comma)");
    TakeOneOf(pDelimiter, DELIMITERS);
    pDelimiter->needs(pColumns);
    TakeOneOf(app.add_option("--encoding", options.encoding,
                             "The text file's encoding (default: UTF-8 when the file is valid "
                             "UTF-8, otherwise windows-1252; a new file is written in UTF-8)"),
              ENCODINGS);
    app.add_flag("--decimal-comma", options.decimalComma,
                 "Write coordinates of the text file with a decimal comma (47,376900); "
                 "decimal commas are always read");
    app.add_option("--save-template", options.saveTemplateName,
                   "Also store the --columns layout as a template of this name")
        ->type_name("NAME")
        ->check(NOT_EMPTY)
        ->needs(pColumns);
}

void AddAnswerOptions(CLI::App& app, CCliOptions& options) {
    TakeOneOf(app.add_option("--existing", options.existing,
                             "An existing TARGET: replace it, or append to it (without this option "
                             "an existing TARGET is an error)"),
              EXISTING_ANSWERS);
    for (const CAnswerOption& option : AnswerOptions()) {
        TakeOneOf(app.add_option(option.pName, options.*option.pAnswer, option.pHelp),
                  option.words);
    }
}

bool CheckDirection(const CCliOptions& options) {
    if (KindOfPath(options.source) != KindOfPath(options.target)) {
        return true;
    }
    std::fprintf(stderr,
                 "pathfolio-cli: SOURCE and TARGET are both %s files; they must be of different "
                 "kinds (text, MapSource .mps, GPX .gpx)\nRun with --help for more information.\n",
                 InfoOf(KindOfPath(options.source)).pName);
    return false;
}

}  // namespace

const std::vector<CAnswerOption>& AnswerOptions() {
    static const std::vector<CAnswerOption> options = {
        {"--on-duplicate",
         "A name already taken",
         {{"suffix", Resolution::AddSuffix},
          {"overwrite", Resolution::Overwrite},
          {"discard", Resolution::Discard},
          {"abort", Resolution::Abort}},
         &CCliOptions::onDuplicate},
        {"--on-long-name",
         "A name over 40 characters",
         {{"truncate", Resolution::Truncate},
          {"discard", Resolution::Discard},
          {"abort", Resolution::Abort}},
         &CCliOptions::onLongName},
        {"--on-bad-name",
         "An empty name, or one with a character other than a letter, digit, space, - or _ "
         "(clean: accented letters to plain ones, other characters dropped or made spaces; a "
         "name left empty is discarded)",
         {{"clean", Resolution::Clean},
          {"discard", Resolution::Discard},
          {"abort", Resolution::Abort}},
         &CCliOptions::onBadName},
        {"--on-bad-coordinate",
         "A latitude or longitude of 0, beyond 90 or 180 degrees, or no number; an elevation "
         "that is no number",
         {{"discard", Resolution::Discard}, {"abort", Resolution::Abort}},
         &CCliOptions::onBadCoordinate},
    };
    return options;
}

const CAnswerOption& AnswerOptionFor(WaypointError error) {
    switch (error) {
        case WaypointError::NameExists:
            return AnswerOptions()[0];
        case WaypointError::NameTooLong:
            return AnswerOptions()[1];
        case WaypointError::NameEmpty:
        case WaypointError::NameNotAlphanumeric:
            return AnswerOptions()[2];
        default:
            return AnswerOptions()[3];
    }
}

std::string AnswerWords(const CAnswerOption& option) {
    return JoinWords(option.words);
}

ConversionRequest RequestFor(const CCliOptions& options, const CTextTemplate& layout) {
    ConversionRequest request;
    request.source = {options.source, KindOfPath(options.source), {layout}};
    request.target = {options.target, KindOfPath(options.target), {layout}};
    request.existingTarget = options.existing;
    for (int nError = 1; nError < WAYPOINT_ERROR_COUNT; ++nError) {
        const CAnswerOption& option = AnswerOptionFor(static_cast<WaypointError>(nError));
        request.answers[nError] = options.*option.pAnswer;
    }
    // Nothing can be cleaned out of an empty name, nor out of one that cleaning emptied.
    Resolution& emptyName = request.answers[static_cast<int>(WaypointError::NameEmpty)];
    emptyName = emptyName == Resolution::Clean ? Resolution::Discard : emptyName;
    return request;
}

bool ParseCommandLine(int argc, char** argv, CCliOptions& options, int& nExitCode,
                      const std::string& storePath) {
    CLI::App app(DESCRIPTION, "pathfolio-cli");
    app.set_version_flag("--version", std::string("pathfolio-cli ") + PATHFOLIO_VERSION);
    app.add_option("SOURCE", options.source, "The file to read")->required()->type_name("");
    app.add_option("TARGET", options.target, "The file to write")->required()->type_name("");
    app.footer(
        "Templates are kept in PathfolioTemplates.dat: in the current directory when one is\n"
        "there, otherwise in $XDG_DATA_HOME/pathfolio (by default ~/.local/share/pathfolio),\n"
        "created when a template is first saved. Here that is:\n  " +
        storePath +
        "\n\n"
        "A run on an existing TARGET that another run is writing waits for it to finish.\n\n"
        "Text is read as UTF-8 when valid, otherwise as windows-1252; MapSource text is\n"
        "windows-1252, and a character it lacks becomes its plain letters (\xC5\x81 gives L) or "
        "'?'.\n"
        "Coordinates: 47.648967, N 47\xC2\xB0 38.938, 47\xC2\xB0"
        "38'56.28\"N, 47 38 56.28 N, 47,648967.\n"
        "After a conversion a summary says what was read, written, changed and discarded.\n\n"
        "Examples:\n"
        "  pathfolio-cli survey.txt survey.mps --columns C,A,B,E --first-row 2 --delimiter tab\n"
        "  pathfolio-cli orte.csv orte.mps --columns auto --on-bad-name clean --on-duplicate "
        "suffix\n"
        "  pathfolio-cli orte.mps export.csv --columns A,B,C,D --first-row 2 --delimiter "
        "semicolon\n"
        "      --decimal-comma --encoding windows-1252\n\n"
        "Exit status: 0 when TARGET was written, 1 when the conversion failed or stopped (TARGET\n"
        "left as it was), 2 for a usage error, 128 + the signal's number when interrupted\n"
        "(TARGET left as it was).");
    AddLayoutOptions(app, options);
    AddAnswerOptions(app, options);
    app.add_flag("--quiet,-q", options.quiet, "No progress, no success message and no summary");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        nExitCode = app.exit(error) == 0 ? EXIT_CONVERTED : EXIT_USAGE;
        return false;
    }
    if (!CheckDirection(options)) {
        nExitCode = EXIT_USAGE;
        return false;
    }
    return true;
}
