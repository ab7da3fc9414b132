// The event log Log.dat: any bytes parse into records that are written and read back unchanged.
#include "../FuzzTarget.h"

#include "tools/EventLog.h"

LUMETTA_FUZZ_TARGET(eventlog) {
    using namespace lumetta;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<TJvLogRecord> records = TJvLogFile::Parse(text);
    FUZZ_CHECK(TJvLogFile::Parse(TJvLogFile::Format(records)) == records);
    FormatLogExport(records);
    return 0;
}
