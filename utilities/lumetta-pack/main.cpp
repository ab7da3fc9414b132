// lumetta-pack: builds, lists and extracts the object container (.phd) and object packs (.psp).
//
// Every file it writes is written whole or not at all (a half-written file never appears).
// Building writes one output file. Extraction checks the whole file's structure and names before
// it writes anything; a failure part-way (damaged compressed data, a full disk) leaves the files
// extracted before it in place, and the failing file's own folders are removed again.
#include "base/Error.h"
#include "base/SafeFile.h"
#include "base/Stream.h"
#include "library/PackWriter.h"
#include "library/StreamPack.h"
#include "tools/ObjectPack.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace lumetta;

namespace {

const char* const kHelp = R"(lumetta-pack - build, list and extract Lumetta object files

Usage:
  lumetta-pack container OUT.phd FOLDER
      Builds an object container from the PNG files at the top of FOLDER. Each entry is
      named after its file, in lower case ("FrameOak.PNG" becomes "frameoak.png"); names
      longer than 40 bytes and files that are not PNG pictures are refused.
      Example: lumetta-pack container libraryfull.phd objects/

  lumetta-pack pack OUT.psp FOLDER
      Builds an object pack from every file under FOLDER, keeping the sub-folders, so that
      importing the pack puts each file at the same place in the program folder. Name the
      pack with its version after "_v" (frames_v3.psp is version 3).
      Example: lumetta-pack pack frames_v3.psp newobjects/

  lumetta-pack list FILE
      Lists a container (size and name of each entry) or an object pack (size, compressed
      size and path of each file). The kind is taken from the extension, .phd or .psp,
      or else from the contents.
      Example: lumetta-pack list frames_v3.psp

  lumetta-pack extract FILE DEST
      Writes the entries of a container, or the files of an object pack with their
      folders, into the folder DEST (created when missing). Existing files are replaced.
      Example: lumetta-pack extract libraryfull.phd unpacked/

  lumetta-pack help | --help
      Shows this text.

Errors are reported on standard error with exit status 1. No file is ever left half
written. "extract" checks every name first and writes nothing when one leads outside DEST.
If it stops part-way (a folder inside DEST that is a link, damaged data, a full disk), the
files extracted before stay in DEST; the failing file is not written and the folders made
for it are removed.
)";

// A mistake in the command line rather than in the files.
struct UsageError : Error {
    using Error::Error;
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

std::string Quoted(const fs::path& path) {
    return "\"" + path.string() + "\"";
}

bool HasExtension(const fs::path& path, const char* extension) {
    return Lower(path.extension().string()) == extension;
}

void RequireFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw Error(Quoted(folder) + " is not a folder");
}

bool IsPng(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= 8 && std::equal(signature, signature + 8, bytes.begin());
}

// The first bytes of a file, to tell a container from a pack.
std::string Magic(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError("Cannot open file " + Quoted(path) + ". " + std::strerror(errno));
    char magic[4] = {};
    in.read(magic, 4);
    return std::string(magic, std::size_t(in.gcount()));
}

// ---- containers ----

int BuildContainer(const fs::path& out, const fs::path& folder) {
    RequireFolder(folder);
    std::map<std::string, fs::path> files; // entry name -> file, sorted by entry name
    for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
        if (!e.is_regular_file() || !HasExtension(e.path(), ".png")) continue;
        std::string name = Lower(e.path().filename().string());
        if (name.size() > PackEntry::kNameSize)
            throw Error(Quoted(e.path()) + ": the entry name \"" + name +
                        "\" is longer than 40 bytes");
        auto [at, added] = files.emplace(name, e.path());
        if (!added)
            throw Error(Quoted(at->second) + " and " + Quoted(e.path()) +
                        " both give the entry name \"" + name + "\"");
    }
    if (files.empty()) throw Error("No PNG files in " + Quoted(folder));

    TPackWriter writer;
    for (const auto& [name, path] : files) {
        std::vector<std::uint8_t> bytes = ReadWholeFile(path.string());
        if (!IsPng(bytes)) throw Error(Quoted(path) + " is not a PNG picture");
        writer.Add(name, std::move(bytes));
    }
    writer.Save(out.string());
    std::cout << "Wrote " << writer.Count() << " entries to " << out.string() << "\n";
    return 0;
}

// Opens a container; a damaged one is an error carrying the reader's message.
void OpenContainer(TiStreamPack& pack, const fs::path& path) {
    Magic(path); // reports a missing or unreadable file in the usual words
    std::string message;
    pack.SetMessageHandler([&](const std::string& m) { message = m; });
    if (!pack.Open(path.string()))
        throw Error(Quoted(path) + ": " + (message.empty() ? "cannot be read" : message));
}

void ListContainer(const fs::path& path) {
    TiStreamPack pack;
    OpenContainer(pack, path);
    for (const PackEntry& e : pack.Entries())
        std::printf("%10d  %s\n", e.DataSize, e.NameText().c_str());
}

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

void ExtractContainer(const fs::path& path, const fs::path& dest) {
    TiStreamPack pack;
    OpenContainer(pack, path);
    // Every name is checked before anything is written. The program uses the first of two
    // entries of the same name, so that is the one extracted.
    std::set<std::string> seen;
    std::vector<int> chosen;
    for (int i = 0; i < pack.Count(); ++i) {
        std::string name = pack.Entries()[std::size_t(i)].NameText();
        if (!IsPlainFileName(name))
            throw Error(Quoted(path) + ": the entry name \"" + name + "\" is not a file name");
        if (seen.insert(name).second)
            chosen.push_back(i);
        else
            std::cerr << "lumetta-pack: skipped a second entry named \"" << name << "\"\n";
    }
    std::vector<std::vector<std::uint8_t>> contents;
    for (int i : chosen) {
        TMemoryStream stream;
        pack.ExtractTo(i, stream);
        contents.push_back(stream.Bytes());
    }
    fs::create_directories(dest);
    for (std::size_t k = 0; k < chosen.size(); ++k)
        WriteFileAtomically((dest / pack.Entries()[std::size_t(chosen[k])].NameText()).string(),
                            contents[k]);
    std::cout << "Extracted " << chosen.size() << " entries to " << dest.string() << "\n";
}

// ---- object packs ----

int BuildPack(const fs::path& out, const fs::path& folder) {
    RequireFolder(folder);
    std::error_code ec;
    std::vector<fs::path> files; // relative to folder
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        // A pack written into the folder it is built from must not pack its older self.
        if (fs::exists(out, ec) && fs::equivalent(e.path(), out, ec)) continue;
        fs::path relative = e.path().lexically_relative(folder);
        if (relative.string().find('\\') != std::string::npos)
            throw Error(Quoted(e.path()) + ": a name holding \"\\\" cannot be stored in a pack");
        files.push_back(relative);
    }
    if (files.empty()) throw Error("No files in " + Quoted(folder));
    std::sort(files.begin(), files.end());

    TObjectPackWriter writer;
    for (const fs::path& relative : files) {
        std::string directory = relative.parent_path().generic_string();
        writer.Add(directory, relative.filename().string(),
                   ReadWholeFile((folder / relative).string()));
    }
    writer.Save(out.string());
    std::cout << "Wrote " << writer.Count() << " files to " << out.string() << "\n";
    return 0;
}

void ListPack(const fs::path& path) {
    for (const TPspFileRecord& r : ListObjectPack(path.string()))
        std::printf("%10d %10d  %s\n", r.UncompressedSize, r.CompressedSize,
                    r.RelativePath().c_str());
}

void ExtractPack(const fs::path& path, const fs::path& dest) {
    // A pack cut short or naming places outside DEST is refused before anything is written.
    std::vector<TPspFileRecord> records = ListObjectPack(path.string());
    for (const TPspFileRecord& r : records)
        CheckPackRecordPath(r.Directory, r.FileName);
    fs::create_directories(dest);
    UnpackObjectPack(path.string(), dest.string(), true, true);
    std::cout << "Extracted " << records.size() << " files to " << dest.string() << "\n";
}

// ---- choosing the kind of file ----

enum class Kind { Container, Pack };

Kind KindOf(const fs::path& path) {
    if (HasExtension(path, ".phd")) return Kind::Container;
    if (HasExtension(path, ".psp")) return Kind::Pack;
    if (Magic(path) == "LMPK") return Kind::Container;
    try {
        ListObjectPack(path.string());
        return Kind::Pack;
    } catch (const Error&) {}
    TiStreamPack pack;
    pack.SetMessageHandler([](const std::string&) {});
    if (pack.Open(path.string())) return Kind::Container;
    throw Error(Quoted(path) + " is neither an object container nor an object pack");
}

void Expect(const std::vector<std::string>& args, std::size_t count, const char* usage) {
    if (args.size() != count) throw UsageError(std::string("usage: lumetta-pack ") + usage);
}

int Run(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        std::cout << kHelp;
        return 0;
    }
    const std::string& command = args[0];
    if (command == "container") {
        Expect(args, 3, "container OUT.phd FOLDER");
        return BuildContainer(args[1], args[2]);
    }
    if (command == "pack") {
        Expect(args, 3, "pack OUT.psp FOLDER");
        return BuildPack(args[1], args[2]);
    }
    if (command == "list") {
        Expect(args, 2, "list FILE");
        if (KindOf(args[1]) == Kind::Container)
            ListContainer(args[1]);
        else
            ListPack(args[1]);
        return 0;
    }
    if (command == "extract") {
        Expect(args, 3, "extract FILE DEST");
        if (KindOf(args[1]) == Kind::Container)
            ExtractContainer(args[1], args[2]);
        else
            ExtractPack(args[1], args[2]);
        return 0;
    }
    throw UsageError("unknown command \"" + command + "\"");
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const UsageError& e) {
        std::cerr << "lumetta-pack: " << e.what() << "\nTry \"lumetta-pack --help\".\n";
    } catch (const std::exception& e) {
        std::cerr << "lumetta-pack: " << e.what() << "\n";
    }
    return 1;
}
