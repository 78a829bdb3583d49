#pragma once

#include <cstdint>

class ServiceStore;

// The members and books a new reference service starts with.
//   demo / demo      books 1 to 5: 1 plain (60 words), 2 pronunciation (espeak-ng), 3 pictures
//                    (a "url" plug-in answered by the service), 4 style, 5 empty
//   "a b" / "p+w"    book 6 with three words
//   학습자 / "비밀 1+1"  no books
// Word ids are the book id times 1000 plus the word's 1-based position.
class DemoData {
  public:
    static constexpr int64_t kPlainBook = 1;
    static constexpr int64_t kSoundBook = 2;
    static constexpr int64_t kPictureBook = 3;
    static constexpr int64_t kStyleBook = 4;
    static constexpr int64_t kEmptyBook = 5;
    static constexpr int64_t kSmallBook = 6;

    static void Seed(ServiceStore& store);
};
