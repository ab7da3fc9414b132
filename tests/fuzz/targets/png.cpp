// The png decoder, given any bytes as a .png file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(png) {
    return lumetta::fuzz::FuzzDecoder("png", data, size);
}
