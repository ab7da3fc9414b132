// The gif decoder, given any bytes as a .gif file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(gif) {
    return lumetta::fuzz::FuzzDecoder("gif", data, size);
}
