// The tga decoder, given any bytes as a .tga file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(tga) {
    return lumetta::fuzz::FuzzDecoder("tga", data, size);
}
