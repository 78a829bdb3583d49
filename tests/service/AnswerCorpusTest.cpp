// Replays every saved input of the sign-in answer and update answer fuzz targets, so that the
// sanitizer builds check them with the targets' own checks; and a few answers the checks must catch.
#include "fuzz/SignInAnswerCheck.h"
#include "fuzz/UpdateAnswerCheck.h"

#include "support/CorpusReplay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

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
