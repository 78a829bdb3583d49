// libFuzzer target: reading the service's update answer; see UpdateAnswerCheck.h.
#include "UpdateAnswerCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = UpdateAnswerCheck::Check(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "update answer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
