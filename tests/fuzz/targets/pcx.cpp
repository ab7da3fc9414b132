// The pcx decoder, given any bytes as a .pcx file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(pcx) {
    return lumetta::fuzz::FuzzDecoder("pcx", data, size);
}
