#include "fuzz/codecs/FuzzDecoder.h"

#include "codecs/Decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzcodecs::run(codecs::renderEmf, data, size);
}
