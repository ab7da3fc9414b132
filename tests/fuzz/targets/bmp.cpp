// The bmp decoder, given any bytes as a .bmp file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(bmp) {
    return lumetta::fuzz::FuzzDecoder("bmp", data, size);
}
