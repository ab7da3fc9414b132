// The pnm decoder, given any bytes as a .pnm file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(pnm) {
    return lumetta::fuzz::FuzzDecoder("pnm", data, size);
}
