// The ini reader (Setup.ini, library.phi) and the placement records read from it: every value
// of every section parsed as a FrameSpec, a key written, and the text it writes read back to
// the same text.
#include "../FuzzTarget.h"

#include "base/Error.h"
#include "library/IniFile.h"
#include "library/ObjectCatalog.h"

LUMETTA_FUZZ_TARGET(ini) {
    using namespace lumetta;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TMemIniFile ini = TMemIniFile::FromText(text);
    for (const std::string& section : ini.ReadSections()) {
        FUZZ_CHECK(ini.SectionExists(section));
        for (const std::string& key : ini.ReadSection(section)) {
            FUZZ_CHECK(ini.ValueExists(section, key));
            const std::string value = ini.ReadString(section, key, "");
            ini.ReadInteger(section, key, 7);
            ini.ReadBool(section, key, true);
            TFrameSpec record;
            try {
                ParseFrameSpec(value, record);
            } catch (const EConvertError&) {}
        }
    }
    const std::optional<TMemIniFile> index(ini);
    TFrameSpec record;
    try {
        ReadFrameSpec(index, "Frames", "frameoak", record);
    } catch (const EConvertError&) {}
    std::int32_t number = 0;
    TryStrToInt(text, number);

    const std::string value(text.substr(0, 64));
    ini.WriteString("Setup", "Fuzz", value);
    ini.WriteInteger("Frames", "frameoak", 12);
    const std::string written = ini.ToText();
    const TMemIniFile again = TMemIniFile::FromText(written);
    FUZZ_CHECK(again.ToText() == written);
    FUZZ_CHECK(again.ReadInteger("Frames", "frameoak", 0) ==
               ini.ReadInteger("Frames", "frameoak", 0));
    FUZZ_CHECK(again.ReadString("Setup", "Fuzz", "") == ini.ReadString("Setup", "Fuzz", ""));
    return 0;
}
