// The object-pack unpacker and the import, into a scratch folder that holds a link to a folder
// outside it. Whatever the pack holds: nothing lands outside the target, no file carries execute
// bits, no temporary file stays, every file belongs to a record of the pack, and no file grows
// past the size its record declares.
#include "../FuzzTarget.h"

#include "base/Error.h"
#include "tools/ObjectPack.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

LUMETTA_FUZZ_TARGET(objectpack) {
    using namespace lumetta;
    if (size == 0) return 0;
    const int mode = data[0];
    const std::string pack = fuzz::WriteScratchFile("objects_v1.psp", data + 1, size - 1);
    const fs::path root = fuzz::ScratchFolder();
    const fs::path target = root / "target", outside = root / "outside";
    fs::remove_all(target);
    fs::remove_all(outside);
    fs::create_directories(target / "Data");
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, target / "Desktop");
    fs::create_directory_symlink(outside, target / "Data" / "Linked");

    const bool import = mode & 1, overwrite = mode & 2, keepFolders = mode & 4;
    // Where the pack's files may land, relative to the target: read record by record, so that
    // the records before a cut or damaged one count too.
    std::set<std::string> expected;
    fuzz::Input in(data + 1, size - 1);
    while (in.RestSize() > 0) {
        TPspFileRecord record;
        const std::uint8_t* start = in.Rest();
        const std::size_t dl = in.U8();
        record.Directory.assign(reinterpret_cast<const char*>(in.Rest()),
                                std::min(dl, in.RestSize()));
        for (std::size_t i = 0; i < dl; ++i)
            in.U8();
        const std::size_t nl = in.U8();
        record.FileName.assign(reinterpret_cast<const char*>(in.Rest()),
                               std::min(nl, in.RestSize()));
        for (std::size_t i = 0; i < nl; ++i)
            in.U8();
        const fs::path relative = fs::path(record.RelativePath()).lexically_normal();
        expected.insert(relative.string());
        expected.insert(relative.filename().string());
        try {
            const TPackPlacement place = LibraryPlacement(record.Directory, record.FileName);
            std::string path;
            for (const std::string& folder : place.Folders)
                path += folder + "/";
            expected.insert(path + place.FileName);
        } catch (const Error&) {}
        in.U32();
        const std::int32_t cs = in.I32();
        if (cs < 0 || std::size_t(cs) > in.RestSize()) break;
        for (std::int32_t i = 0; i < cs; ++i)
            in.U8();
        if (in.Rest() == start) break;
    }

    const auto progress = [](std::int64_t written, std::int32_t declared) {
        FUZZ_CHECK(written > 0 && written <= declared);
    };
    try {
        if (import)
            ImportObjectPack(pack, target.string(), progress);
        else
            UnpackObjectPack(pack, target.string(), overwrite, keepFolders, progress);
    } catch (const Error&) {}

    FUZZ_CHECK(fs::is_empty(outside));
    for (auto it = fs::recursive_directory_iterator(target);
         it != fs::recursive_directory_iterator(); ++it) {
        const fs::file_status status = it->symlink_status();
        if (fs::is_symlink(status) || fs::is_directory(status)) continue;
        const std::string relative = fs::relative(it->path(), target).string();
        FUZZ_CHECK(fs::is_regular_file(status));
        FUZZ_CHECK((status.permissions() & (fs::perms::owner_exec | fs::perms::group_exec |
                                            fs::perms::others_exec)) == fs::perms::none);
        if (!expected.count(relative)) {
            std::fprintf(stderr, "unexpected file \"%s\"\n", relative.c_str());
            FUZZ_CHECK(false);
        }
    }
    return 0;
}
