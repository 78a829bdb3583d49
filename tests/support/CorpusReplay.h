#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// Runs `check` (a fuzz target's own check: an empty text when all is well) on every file of a saved
// corpus, each handed over as exactly its bytes so that a read past the end is caught; returns how
// many files there were.
template <typename CheckFn> int ReplayCorpus(const std::filesystem::path& folder, CheckFn check) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        auto data = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), data.get());
        EXPECT_EQ(check(data.get(), bytes.size()), std::string()) << entry.path();
    }
    return files;
}
