// libFuzzer target: reading the service's sign-in answer; see SignInAnswerCheck.h.
#include "SignInAnswerCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = SignInAnswerCheck::Check(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "sign-in answer: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
