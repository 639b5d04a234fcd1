#include "CommandLine.h"

#include "ColorOption.h"
#include "DropBatch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <optional>

namespace {

constexpr int mostJobs = 64;
// A refusal lists stored profile names up to about a screenful.
constexpr std::size_t namesListed = 20;

using Action = ParsedCommandLine::Action;

ParsedCommandLine Refused(std::string why) {
    return {Action::Refuse, {}, std::move(why)};
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Arguments go through QString for the parser, but a file name need not be
// valid in the locale's encoding. An argument that would not come back
// byte for byte is handed to the parser as a placeholder that maps back to
// its bytes; a placeholder starts with a lone surrogate, which no decoded
// argument can hold. Options keep their text (their names are ASCII); after
// "--" everything is a file name.
class ArgumentBytes {
public:
    explicit ArgumentBytes(const std::vector<std::string>& arguments) {
        bool onlyFiles = false;
        for (const std::string& raw : arguments) {
            const QString text = QString::fromLocal8Bit(raw);
            const bool mayBeOption = !onlyFiles && !raw.empty() && raw.front() == '-';
            if (QFile::encodeName(text).toStdString() == raw || mayBeOption) {
                texts.append(text);
            } else {
                const QString placeholder =
                    QChar(0xDC00) + QString::number(static_cast<qsizetype>(bytes.size()));
                bytes.insert(placeholder, raw);
                texts.append(placeholder);
            }
            onlyFiles = onlyFiles || raw == "--";
        }
    }

    const QStringList& Texts() const { return texts; }

    std::string BytesOf(const QString& text) const {
        const auto found = bytes.constFind(text);
        return found != bytes.cend() ? *found : QFile::encodeName(text).toStdString();
    }

private:
    QStringList texts;
    QHash<QString, std::string> bytes;
};

bool SideFits(std::int32_t side) {
    return side >= 1 && side <= largestFrameSide;
}

// A decimal number from low to high, nothing else.
std::optional<std::int32_t> ParseWhole(const std::string& text, std::int32_t low,
                                       std::int32_t high) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string SideProblem(const char* option, const std::string& value) {
    return std::string("--") + option + " wants a whole number of pixels from 1 to " +
           std::to_string(largestFrameSide) + ", not " + Quoted(value);
}

std::string Joined(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < namesListed; ++i)
        list += (list.empty() ? "" : ", ") + Quoted(names[i]);
    if (names.size() > namesListed)
        list += " and " + std::to_string(names.size() - namesListed) + " more";
    return list;
}

} // namespace

std::optional<std::string> AbsolutePath(std::string path, const std::string& workingFolder) {
    if (path.front() == '/')
        return path;
    if (workingFolder.empty())
        return std::nullopt;
    while (path.size() > 2 && path.compare(0, 2, "./") == 0)
        path.erase(0, path.find_first_not_of('/', 2));
    return workingFolder + (workingFolder.back() == '/' ? "" : "/") + path;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                                   const std::string& workingFolder,
                                   const ProfileLoader& loadProfiles) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Fits pictures to one frame size and saves each as a quality-80 JPEG in a folder named\n"
        "Quillmere beside it, asking before it makes a folder and whether to go on after a\n"
        "failure. Without a terminal to ask, no folder is made and the first failure stops.\n"
        "A folder stands for the pictures in it and in its subfolders, asked about once;\n"
        "other files in it are passed over.\n"
        "\n"
        "Exit status: 0 when every file was written, 1 when any failed or the run stopped\n"
        "early, 2 when the command line was refused. A run stopped by a signal ends by\n"
        "that signal.");
    // Declared here rather than by the parser's helpers, which would add
    // --help-all for toolkit options this program does not have.
    const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version("version", "Show the version and exit.");
    const QCommandLineOption width("width", "Frame width in pixels (800).", "N");
    const QCommandLineOption height("height", "Frame height in pixels (600).", "N");
    const QCommandLineOption padding("padding",
                                     "Centre each picture on a canvas of the frame size (the "
                                     "default).");
    const QCommandLineOption noPadding("no-padding", "Write each picture at its fitted size.");
    const QCommandLineOption color("color",
                                   "Padding colour, #RRGGBB, #RGB or a name such as navy "
                                   "(#0000c8).",
                                   "COLOR");
    const QCommandLineOption yes("yes", "Make every missing Quillmere folder, and convert every "
                                        "folder given, without asking.");
    const QCommandLineOption keepGoing("keep-going",
                                       "Go on after a file that cannot be converted.");
    const int defaultJobs = BatchOptions::DefaultJobs();
    const QCommandLineOption jobs(
        "jobs",
        QString("Convert up to N pictures at once, 1 to %1 (%2 here: one per core, at most 8).")
            .arg(mostJobs)
            .arg(defaultJobs),
        "N");
    const QCommandLineOption profile(
        "profile", "Start from the settings of the dialog's profile NAME; options override them.",
        "NAME");
    const QCommandLineOption filesFrom(
        "files-from", "Convert the files listed in FILE too, one a line; - reads standard input.",
        "FILE");
    const QCommandLineOption null("null", "The list of --files-from ends each name with a zero "
                                          "byte, as find -print0 writes it.");
    parser.addOptions({help, version, width, height, padding, noPadding, color, yes, keepGoing,
                       jobs, profile, filesFrom, null});
    parser.addPositionalArgument("FILE", "Picture to convert, or folder of pictures.", "FILE...");

    const ArgumentBytes bytes(arguments);
    if (!parser.parse(bytes.Texts()))
        return Refused(parser.errorText().toStdString());
    if (parser.isSet(help))
        return {Action::ShowHelp, {}, parser.helpText().toStdString()};
    if (parser.isSet(version))
        return {Action::ShowVersion,
                {},
                (QCoreApplication::applicationName() + " " +
                 QCoreApplication::applicationVersion() + "\n")
                    .toStdString()};

    CliRequest request;
    FrameSettings& settings = request.settings;
    if (parser.isSet(profile)) {
        const std::string name = bytes.BytesOf(parser.value(profile));
        ProfileList list;
        std::vector<std::string> names;
        if (const std::string problem = loadProfiles(list, names); !problem.empty())
            return Refused("cannot read the profiles: " + problem);
        const std::int32_t index = list.FindProfile(name);
        if (index < 0)
            return Refused(
                "no profile is named " + Quoted(name) +
                (names.empty() ? "; none is stored" : "; the profiles are " + Joined(names)));
        settings = {list[index].doPadding, list[index].paddingColor, list[index].frameWidth,
                    list[index].frameHeight};
        // A stored size the options do not replace must still be one a JPEG can take.
        const auto storedSideProblem = [&](const char* option, std::int32_t side) {
            return "profile " + Quoted(name) + " has a frame " + option + " of " +
                   std::to_string(side) + "; give --" + option + " to replace it";
        };
        if (!parser.isSet(width) && !SideFits(settings.frameWidth))
            return Refused(storedSideProblem("width", settings.frameWidth));
        if (!parser.isSet(height) && !SideFits(settings.frameHeight))
            return Refused(storedSideProblem("height", settings.frameHeight));
    }

    for (const auto& [option, name, side] :
         {std::tuple{&width, "width", &settings.frameWidth},
          std::tuple{&height, "height", &settings.frameHeight}}) {
        if (!parser.isSet(*option))
            continue;
        const std::string value = parser.value(*option).toStdString();
        const auto parsed = ParseWhole(value, 1, largestFrameSide);
        if (!parsed)
            return Refused(SideProblem(name, value));
        *side = *parsed;
    }
    // The later of --padding and --no-padding wins, as options usually do.
    for (const QString& name : parser.optionNames()) {
        if (name == padding.names().constFirst())
            settings.doPadding = 1;
        else if (name == noPadding.names().constFirst())
            settings.doPadding = 0;
    }
    if (parser.isSet(color)) {
        const std::string value = parser.value(color).toStdString();
        const auto parsed = ParseColor(value);
        if (!parsed)
            return Refused("--color wants #RRGGBB, #RGB or a colour name such as navy, not " +
                           Quoted(value));
        settings.paddingColor = *parsed;
    }
    request.jobs = defaultJobs;
    if (parser.isSet(jobs)) {
        const std::string value = parser.value(jobs).toStdString();
        const auto parsed = ParseWhole(value, 1, mostJobs);
        if (!parsed)
            return Refused("--jobs wants a whole number from 1 to " + std::to_string(mostJobs) +
                           ", not " + Quoted(value));
        request.jobs = *parsed;
    }
    request.assumeYes = parser.isSet(yes);
    request.keepGoing = parser.isSet(keepGoing);

    if (parser.isSet(filesFrom)) {
        request.filesFrom = bytes.BytesOf(parser.value(filesFrom));
        if (request.filesFrom.empty())
            return Refused("--files-from wants a file name, or - for standard input");
    }
    request.nullSeparated = parser.isSet(null);
    if (request.nullSeparated && request.filesFrom.empty())
        return Refused("--null is for the list of --files-from, which was not given");

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty() && request.filesFrom.empty())
        return Refused("no files given");
    for (const QString& file : files) {
        const std::string path = bytes.BytesOf(file);
        if (path.empty())
            return Refused("an empty file name was given");
        const auto absolute = AbsolutePath(path, workingFolder);
        if (!absolute)
            return Refused("the current folder is unknown, so " + Quoted(path) +
                           " cannot be found; give its full path");
        request.files.push_back(*absolute);
    }
    return {Action::Run, std::move(request), {}};
}
