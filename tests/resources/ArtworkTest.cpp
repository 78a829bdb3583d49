#include "resources/Artwork.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <vector>

namespace {

using namespace Res;

struct Picture {
    int id;
    QSize size;
};

// Every bitmap with the size its window draws it at.
const std::vector<Picture> kBitmaps = [] {
    std::vector<Picture> all;
    auto add = [&](std::initializer_list<int> ids, QSize size) {
        for (int id : ids)
            all.push_back({id, size});
    };
    add({IDB_TOPMOST_OFF_NORMAL, IDB_TOPMOST_OFF_PRESSED, IDB_TOPMOST_OFF_HOVER, IDB_TOPMOST_ON_NORMAL,
         IDB_TOPMOST_ON_PRESSED, IDB_TOPMOST_ON_HOVER, IDB_MINIMIZE_NORMAL, IDB_MINIMIZE_PRESSED,
         IDB_MINIMIZE_HOVER, IDB_MAXIMIZE_NORMAL, IDB_MAXIMIZE_PRESSED, IDB_MAXIMIZE_HOVER,
         IDB_RESTORE_NORMAL, IDB_RESTORE_PRESSED, IDB_RESTORE_HOVER, IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED,
         IDB_CLOSE_HOVER},
        {14, 14});
    add({IDB_TITLE_STRIP}, {1, 26});
    add({IDB_TITLE_LOGO}, {123, 17});
    add({IDB_BOTTOM_STRIP}, {1, 10});
    add({IDB_SIZE_GRIP}, {8, 8});
    add({IDB_INFO_HEADER}, {240, 66});
    add({IDB_SIGNIN_LOGO}, {160, 29});
    add({IDB_SIGNIN_NORMAL, IDB_SIGNIN_PRESSED, IDB_SIGNIN_HOVER}, {80, 27});
    add({IDB_BACK_NORMAL, IDB_BACK_DISABLED, IDB_BACK_PRESSED, IDB_BACK_HOVER, IDB_LOAD_NORMAL,
         IDB_LOAD_DISABLED, IDB_LOAD_PRESSED, IDB_LOAD_HOVER},
        {54, 25});
    add({IDB_SEPARATOR}, {3, 19});
    add({IDB_MENU_NORMAL, IDB_MENU_PRESSED, IDB_MENU_HOVER}, {54, 24});
    add({IDB_MEMORISED_NORMAL, IDB_MEMORISED_DISABLED, IDB_MEMORISED_PRESSED, IDB_MEMORISED_HOVER}, {54, 25});
    add({IDB_ORDER0_NORMAL, IDB_ORDER0_PRESSED, IDB_ORDER0_HOVER, IDB_ORDER1_NORMAL, IDB_ORDER1_PRESSED,
         IDB_ORDER1_HOVER, IDB_ORDER2_NORMAL, IDB_ORDER2_PRESSED, IDB_ORDER2_HOVER},
        {58, 25});
    for (int id = IDB_EXAMPLE_HIDDEN_NORMAL; id <= IDB_HEADWORD_SHOWN_HOVER; ++id)
        add({id}, {37, 25});
    add({IDB_PREV_NORMAL, IDB_PREV_DISABLED, IDB_PREV_PRESSED, IDB_PREV_HOVER, IDB_NEXT_NORMAL,
         IDB_NEXT_DISABLED, IDB_NEXT_PRESSED, IDB_NEXT_HOVER},
        {24, 25});
    add({IDB_PLAY_NORMAL, IDB_PLAY_DISABLED, IDB_PLAY_PRESSED, IDB_PLAY_HOVER, IDB_PAUSE_NORMAL,
         IDB_PAUSE_PRESSED, IDB_PAUSE_HOVER},
        {44, 49});
    add({IDB_CONTROL_BAR}, {369, 34});
    return all;
}();

TEST(Artwork, EveryBitmapHasItsSize) {
    EXPECT_EQ(kBitmaps.size(), 86u);
    for (const Picture& picture : kBitmaps) {
        const QPixmap bitmap = Artwork::Bitmap(picture.id);
        ASSERT_FALSE(bitmap.isNull()) << picture.id;
        EXPECT_EQ(bitmap.size(), picture.size) << picture.id;
    }
    EXPECT_TRUE(Artwork::Bitmap(9999).isNull());
    EXPECT_TRUE(Artwork::Data("GIF", 9999).isEmpty());
}

// Share of pixels that differ clearly between two looks.
double Difference(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            const int d = std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                          std::abs(p.blue() - q.blue()) + std::abs(p.alpha() - q.alpha());
            differing += d > 60;
        }
    }
    return double(differing) / (a.width() * a.height());
}

TEST(Artwork, TheLooksOfAButtonAreToldApart) {
    const std::vector<std::vector<int>> sets = {
        {IDB_TOPMOST_OFF_NORMAL, IDB_TOPMOST_OFF_PRESSED, IDB_TOPMOST_OFF_HOVER},
        {IDB_TOPMOST_OFF_NORMAL, IDB_TOPMOST_ON_NORMAL},
        {IDB_CLOSE_NORMAL, IDB_CLOSE_PRESSED, IDB_CLOSE_HOVER},
        {IDB_SIGNIN_NORMAL, IDB_SIGNIN_PRESSED, IDB_SIGNIN_HOVER},
        {IDB_BACK_NORMAL, IDB_BACK_PRESSED, IDB_BACK_HOVER, IDB_BACK_DISABLED},
        {IDB_LOAD_NORMAL, IDB_LOAD_PRESSED, IDB_LOAD_HOVER, IDB_LOAD_DISABLED},
        {IDB_PREV_NORMAL, IDB_PREV_PRESSED, IDB_PREV_HOVER, IDB_PREV_DISABLED},
        {IDB_PLAY_NORMAL, IDB_PLAY_PRESSED, IDB_PLAY_HOVER, IDB_PLAY_DISABLED, IDB_PAUSE_NORMAL},
        {IDB_ORDER0_NORMAL, IDB_ORDER1_NORMAL, IDB_ORDER2_NORMAL},
        {IDB_HEADWORD_SHOWN_NORMAL, IDB_HEADWORD_HIDDEN_NORMAL, IDB_HEADWORD_SHOWN_HOVER},
        {IDB_MEMORISED_NORMAL, IDB_MEMORISED_PRESSED, IDB_MEMORISED_HOVER, IDB_MEMORISED_DISABLED},
    };
    for (const auto& set : sets) {
        for (std::size_t i = 0; i < set.size(); ++i) {
            for (std::size_t j = i + 1; j < set.size(); ++j) {
                const QImage a = Artwork::Bitmap(set[i]).toImage(), b = Artwork::Bitmap(set[j]).toImage();
                EXPECT_GT(Difference(a, b), 0.05) << set[i] << " vs " << set[j];
            }
        }
    }
}

TEST(Artwork, LoadingAnimationAndIcon) {
    QByteArray gif = Artwork::Data("GIF", IDR_LOADING_GIF);
    ASSERT_TRUE(gif.startsWith("GIF89a"));
    QBuffer buffer(&gif);
    QImageReader reader(&buffer, "GIF");
    EXPECT_EQ(reader.size(), QSize(32, 32));
    int frames = 0;
    while (reader.canRead()) {
        const QImage frame = reader.read();
        if (frame.isNull())
            break;
        EXPECT_EQ(reader.nextImageDelay(), 50) << frames;
        ++frames;
    }
    EXPECT_EQ(frames, 31);
    EXPECT_EQ(reader.loopCount(), -1); // for ever

    const QIcon icon = Artwork::Icon(IDR_MAINFRAME);
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(32, 32).isNull());
}

} // namespace
