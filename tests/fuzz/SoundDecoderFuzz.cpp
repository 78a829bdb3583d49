// libFuzzer target: a pronunciation as a sound host might send it, decoded from memory; see
// SoundDecoderCheck.h.
#include "SoundDecoderCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = SoundDecoderCheck::Check(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "sound decoder: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
