#include "resources/Artwork.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <algorithm>
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

// Share of 2 x 2 blocks of an image whose four pixels are not all the same: none in a picture that
// was only scaled up from half its size.
double FineDetail(const QImage& image) {
    int blocks = 0, fine = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            fine +=
                image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p;
            ++blocks;
        }
    }
    return blocks == 0 ? 0 : double(fine) / blocks;
}

// Mean difference of two pictures of one size, 0 (the same) to 1 (black and white, opaque and clear).
double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                   std::abs(p.blue() - q.blue()) + std::abs(p.alpha() - q.alpha());
        }
    }
    return sum / (4.0 * 255 * a.width() * a.height());
}

TEST(Artwork, EveryPictureComesDrawnAtTwiceThePixelsWithTheSameLogicalSize) {
    // Strips, grip and separator are pixel art: doubled on purpose.
    const std::vector<int> pixelArt = {IDB_TITLE_STRIP, IDB_BOTTOM_STRIP, IDB_SIZE_GRIP, IDB_SEPARATOR};
    for (const Picture& picture : kBitmaps) {
        const QPixmap low = Artwork::Bitmap(picture.id, 1.0);
        const QPixmap high = Artwork::Bitmap(picture.id, 2.0);
        ASSERT_FALSE(high.isNull()) << picture.id;
        EXPECT_EQ(low.devicePixelRatio(), 1.0) << picture.id;
        EXPECT_EQ(high.devicePixelRatio(), 2.0) << picture.id;
        EXPECT_EQ(high.size(), picture.size * 2) << picture.id;
        EXPECT_EQ(high.deviceIndependentSize(), QSizeF(picture.size)) << picture.id;
        // The same picture, drawn finer: scaled down it matches the small one closely.
        const QImage small =
            high.toImage().scaled(picture.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // (Text is hinted differently at each size, so the two never match exactly.)
        EXPECT_LT(MeanDifference(small, low.toImage()), 0.1) << picture.id;
        if (std::find(pixelArt.begin(), pixelArt.end(), picture.id) == pixelArt.end()) {
            EXPECT_GT(FineDetail(high.toImage()), 0.02) << picture.id << " is only scaled up";
        }
    }
    // The nearer set wins: 1x up to a ratio below 1.5, 2x from there on.
    EXPECT_EQ(Artwork::Bitmap(IDB_TITLE_LOGO, 1.25).devicePixelRatio(), 1.0);
    EXPECT_EQ(Artwork::Bitmap(IDB_TITLE_LOGO, 1.5).devicePixelRatio(), 2.0);
    EXPECT_EQ(Artwork::Bitmap(IDB_TITLE_LOGO, 3.0).devicePixelRatio(), 2.0);
    EXPECT_TRUE(Artwork::Bitmap(9999, 2.0).isNull());

    // The loading animation too.
    int ratio = 0;
    QFile gif(Artwork::PathFor(QStringLiteral("GIF"), IDR_LOADING_GIF, 2.0, &ratio));
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    EXPECT_EQ(ratio, 2);
    QImageReader reader(&gif, "GIF");
    EXPECT_EQ(reader.size(), QSize(64, 64));
    EXPECT_EQ(reader.imageCount(), 31);
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

    // The icon comes drawn at every size of the icon theme, the largest 256 pixels.
    const QIcon icon = Artwork::Icon(IDR_MAINFRAME);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(
        icon.availableSizes(),
        (QList<QSize>{{256, 256}, {16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}}));
    EXPECT_EQ(icon.pixmap(22, 22).size(), QSize(22, 22));
}

} // namespace
