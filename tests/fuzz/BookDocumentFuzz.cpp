// libFuzzer target: bytes of a book document through the decoder and the parser to a book with its
// sorted order; see BookDocumentCheck.h for what must hold.
#include "BookDocumentCheck.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = BookDocumentCheck::Check(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "book document: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
