// The tiff decoder, given any bytes as a .tif file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(tiff) {
    return lumetta::fuzz::FuzzDecoder("tif", data, size);
}
