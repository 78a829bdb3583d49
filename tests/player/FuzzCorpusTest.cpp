// Replays every saved input of the book document, placeholder and pronunciation decoder fuzz targets,
// so that the sanitizer builds check them with the targets' own checks.
#include "fuzz/BookDocumentCheck.h"
#include "fuzz/MediaUrlTemplateCheck.h"
#include "fuzz/SoundDecoderCheck.h"

#include "support/CorpusReplay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(FuzzCorpus, BookDocuments) {
    EXPECT_GT(ReplayCorpus(LEXICARTA_BOOK_CORPUS, BookDocumentCheck::Check), 10);
}

TEST(FuzzCorpus, UrlTemplates) {
    EXPECT_GT(ReplayCorpus(LEXICARTA_TEMPLATE_CORPUS, MediaUrlTemplateCheck::Check), 5);
}

TEST(FuzzCorpus, Pronunciations) {
    EXPECT_GT(ReplayCorpus(LEXICARTA_SOUND_CORPUS, SoundDecoderCheck::Check), 5);
}

// Two AAC sounds back to back, stereo and mono, of two frames of 1024 samples at 8 kHz each: the
// decoder changes its channels midway, and all four frames are heard.
TEST(FuzzCorpus, PronunciationWhoseChannelsChangeMidwayDecodesWhole) {
    for (const char* name : {"/aac_stereo_then_mono.adts", "/aac_mono_then_stereo.adts"}) {
        std::ifstream in(std::string(LEXICARTA_SOUND_CORPUS) + name, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << name;
        const QByteArray pcm =
            SoundDecoder::Decode(QByteArray::fromStdString(bytes), SoundDecoderCheck::kRate);
        EXPECT_NEAR(double(pcm.size()) / (SoundDecoderCheck::kRate * SoundDecoder::kBytesPerFrame), 0.512,
                    0.02)
            << name;
    }
}

} // namespace
