#include "tools/CommandLine.h"

#include "LumettaBuild.h"
#include "codecs/ImageIO.h"
#include "library/IniFile.h"
#include "library/ObjectLibrary.h"

namespace lumetta {

namespace {

TCommandLine Failure(std::string message) {
    TCommandLine result;
    result.Action = TCommandLine::TAction::Error;
    result.Message = std::move(message);
    return result;
}

// Words joined by ", " into lines of at most `width` characters: the first line continues text
// that already reaches `column`, the others start with `indent` spaces.
std::string Wrapped(const std::vector<std::string>& words, std::size_t column, std::size_t indent,
                    std::size_t width) {
    std::string text, line;
    std::size_t start = column;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string word = words[i] + (i + 1 < words.size() ? "," : "");
        if (!line.empty() && start + line.size() + 1 + word.size() > width) {
            text += line + "\n" + std::string(indent, ' ');
            line.clear();
            start = indent;
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return text + line;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument == "-h" || argument == "--help") return {TCommandLine::TAction::Help, {}, {}};
    }
    for (const std::string& argument : arguments) {
        if (argument == "--") break;
        if (argument == "-v" || argument == "--version")
            return {TCommandLine::TAction::Version, {}, {}};
    }

    TCommandLine result;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--paths") {
            result.Action = TCommandLine::TAction::Paths;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            return Failure("unknown option \"" + argument + "\"");
        } else if (argument.empty()) {
            return Failure("an empty file name was given");
        } else if (!result.File.empty()) {
            return Failure("only one file can be opened at a time");
        } else {
            result.File = argument;
        }
    }
    if (result.Action == TCommandLine::TAction::Paths && !result.File.empty())
        return Failure("--paths takes no file");
    return result;
}

bool IsObjectPackFile(const std::string& path) {
    return path.size() > 4 && SameText(path.substr(path.size() - 4), ".psp");
}

std::string HelpText() {
    std::vector<std::string> formats;
    for (const TPictureFormat& format : RegisteredFormats())
        if (format.HasDecoder) formats.push_back(format.Extension);
    const std::string filePrefix = "                 ";
    return "Usage: lumetta [OPTION] [FILE]\n"
           "Decorate one photograph at a time with frames, shadows, masks, clip art and text.\n"
           "\n"
           "  FILE           a photo to open, or an object pack (.psp) to show in the import\n"
           "                 window. Lumetta opens photos of these kinds:\n" +
           filePrefix + Wrapped(formats, filePrefix.size(), 17, 80) +
           "\n"
           "  -h, --help     show this text and end\n"
           "  -v, --version  show the version and end\n"
           "  --paths        show the folders Lumetta reads its object library from and writes\n"
           "                 its settings, event log and imported objects to, and end\n"
           "\n"
           "Qt's own options, such as -platform offscreen or -style fusion, are accepted too.\n"
           "\n"
           "Settings (Setup.ini), the event log (Log.dat) and imported objects are kept beside\n"
           "the program when its folder is writable; otherwise, and always for an installed\n"
           "program, in $XDG_CONFIG_HOME/lumetta/ and $XDG_DATA_HOME/lumetta/ (by default\n"
           "~/.config/lumetta/ and ~/.local/share/lumetta/).\n";
}

std::string VersionText() {
    return std::string("Lumetta ") + kLumettaVersion + "\n";
}

std::string PathsText(const TAppPaths& paths) {
    TiStreamPack pack;
    std::optional<TMemIniFile> index;
    std::string problems;
    const auto onMessage = [&problems](const std::string& message) {
        problems += "  " + message + "\n";
    };
    pack.SetMessageHandler(onMessage);
    OpenObjectLibrary(paths.LibraryFolders(), pack, index, onMessage);
    std::size_t records = 0;
    if (index) {
        for (const char* section : {"Frames", "Shadows"})
            records += index->ReadSection(section).size();
    }
    const std::size_t thumbnails = ListLibraryThumbnails(paths.ThumbnailFolders(), "*.jpg").size();

    std::string text;
    text += "Program folder:    " + paths.ExeDir + (paths.Installed ? " (installed)\n" : "\n");
    text += "Settings:          " + paths.ConfigDir + "Setup.ini\n";
    text += "Event log:         " + paths.UserDir + "Log.dat\n";
    text += "Imported objects:  " + paths.UserDir + "\n";
    text += "Object library:    " + std::to_string(pack.Count()) + " objects, " +
            std::to_string(records) + " placement records, " + std::to_string(thumbnails) +
            " thumbnails\n";
    if (!problems.empty()) text += "Problems:\n" + problems;
    return text;
}

} // namespace lumetta
