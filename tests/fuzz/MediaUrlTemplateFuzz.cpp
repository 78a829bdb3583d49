// libFuzzer target: filling a plug-in URL template with a card's texts; see MediaUrlTemplateCheck.h.
#include "MediaUrlTemplateCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = MediaUrlTemplateCheck::Check(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "media url template: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
