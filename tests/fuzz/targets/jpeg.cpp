// The jpeg decoder, given any bytes as a .jpg file.
#include "../FuzzTarget.h"

LUMETTA_FUZZ_TARGET(jpeg) {
    return lumetta::fuzz::FuzzDecoder("jpg", data, size);
}
