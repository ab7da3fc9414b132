// The object container (libraryfull.phd): opened from any bytes, its entries looked up and
// extracted the way LoadObjectImage does.
#include "../FuzzTarget.h"

#include "base/Stream.h"
#include "library/StreamPack.h"

LUMETTA_FUZZ_TARGET(container) {
    using namespace lumetta;
    const std::string path = fuzz::WriteScratchFile("library.phd", data, size);
    int messages = 0;
    TiStreamPack pack([&](const std::string&) { ++messages; });
    const bool opened = pack.Open(path);
    FUZZ_CHECK(opened || (pack.Count() == 0 && messages > 0));
    const int count = pack.Count();
    for (int i = 0; i < count && i < 16; ++i) {
        const std::string name = pack.Entries()[std::size_t(i)].NameText();
        const int found = pack.IndexOf(name);
        FUZZ_CHECK(found >= 0 && found <= i);
        TMemoryStream out;
        out.Write("x", 1);
        try {
            pack.ExtractTo(i, out);
            FUZZ_CHECK(out.Size() >= 1 && out.Data()[0] == 'x');
        } catch (const Error&) {
            FUZZ_CHECK(out.Size() == 1);
        }
    }
    try {
        TMemoryStream out;
        pack.ExtractTo(count, out);
        FUZZ_CHECK(count == 0 && out.Size() == 0); // no entries: nothing, else an index error
    } catch (const EListError&) {
        FUZZ_CHECK(count > 0);
    }
    return 0;
}
