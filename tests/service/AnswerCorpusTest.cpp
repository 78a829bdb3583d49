// Replays every saved input of the sign-in answer and update answer fuzz targets, so that the
// sanitizer builds check them with the targets' own checks; and a few answers the checks must catch.
#include "fuzz/SignInAnswerCheck.h"
#include "fuzz/UpdateAnswerCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

template <typename CheckFn> int ReplayCorpus(const std::filesystem::path& folder, CheckFn check) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        // Exactly the file's bytes, so that any read past the end is caught.
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        auto data = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), data.get());
        EXPECT_EQ(check(data.get(), bytes.size()), std::string()) << entry.path();
    }
    return files;
}

TEST(AnswerCorpus, SignInAnswers) {
    EXPECT_GT(ReplayCorpus(LEXICARTA_SIGNIN_CORPUS, SignInAnswerCheck::Check), 10);
}

TEST(AnswerCorpus, UpdateAnswers) {
    EXPECT_GT(ReplayCorpus(LEXICARTA_UPDATE_CORPUS, UpdateAnswerCheck::Check), 10);
}

TEST(AnswerCorpus, TheReferenceAtoiSaturatesAsTheParserDoes) {
    EXPECT_EQ(UpdateAnswerCheck::ReferenceAtoi(" -12x"), -12);
    EXPECT_EQ(UpdateAnswerCheck::ReferenceAtoi("99999999999"), INT_MAX);
    EXPECT_EQ(UpdateAnswerCheck::ReferenceAtoi("-99999999999"), INT_MIN);
    EXPECT_EQ(UpdateAnswerCheck::ReferenceAtoi("v2"), 0);
}

} // namespace
