#include "widgets/CPictureEx.h"

#include "resources/ResourceIds.h"
#include "widgets/GifBuilder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>

#include <thread>

namespace {

const QColor kRed(Qt::red), kGreen(Qt::green), kBlue(Qt::blue), kWhite(Qt::white);

// Runs the event loop until the condition holds or 5 s have passed.
template <class Condition> bool SpinUntil(Condition condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 5000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Three full-size frames of 50 ms: red, green, blue.
QByteArray ThreeColours() {
    GifBuilder gif(8, 8);
    gif.Loop();
    for (auto colour : {GifBuilder::Red, GifBuilder::Green, GifBuilder::Blue})
        gif.Control(5, 1).Image(0, 0, 8, 8, colour);
    return gif.Trailer().Data();
}

TEST(PictureEx, NonGifDataIsOnePicture) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(kGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromMemory(png));
    EXPECT_FALSE(picture.IsGif());
    EXPECT_EQ(picture.size(), QSize(6, 4));
    EXPECT_TRUE(picture.Draw());
    EXPECT_EQ(picture.Snapshot().pixelColor(3, 2), kGreen);
    EXPECT_EQ(picture.AnimationThreadsStarted(), 0);

    EXPECT_FALSE(picture.LoadFromMemory(QByteArray("neither a picture nor a GIF")));
    EXPECT_FALSE(picture.Draw());
    EXPECT_FALSE(picture.LoadFromMemory(QByteArray()));
}

TEST(PictureEx, AGifWithOneImageIsAStillPicture) {
    GifBuilder gif(10, 6);
    gif.Loop().Control(5, 0).Image(0, 0, 10, 6, GifBuilder::Red).Trailer();
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromMemory(gif.Data()));
    EXPECT_TRUE(picture.IsGif());
    EXPECT_FALSE(picture.IsAnimated());
    EXPECT_EQ(picture.size(), QSize(10, 6));
    EXPECT_TRUE(picture.Draw());
    EXPECT_TRUE(picture.Draw());
    EXPECT_EQ(picture.AnimationThreadsStarted(), 0);
    EXPECT_FALSE(picture.IsPlaying());
    EXPECT_EQ(picture.Snapshot().pixelColor(5, 3), kRed);
}

TEST(PictureEx, SplitsAnAnimationIntoItsFrames) {
    GifBuilder gif(10, 10);
    gif.Control(0, 2).Image(0, 0, 10, 10, GifBuilder::Red);
    gif.Control(3, 3).Loop().Image(2, 3, 4, 5, GifBuilder::Green);
    gif.Image(1, 1, 2, 2, GifBuilder::Blue).Trailer();
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromMemory(gif.Data()));
    ASSERT_EQ(picture.Frames().size(), 3u);
    const PictureFrame& second = picture.Frames()[1];
    EXPECT_EQ(second.rect, QRect(2, 3, 4, 5));
    EXPECT_EQ(second.image.size(), QSize(4, 5));
    EXPECT_EQ(second.image.pixelColor(0, 0), kGreen);
    EXPECT_EQ((std::array{picture.Frames()[0].delay, second.delay, picture.Frames()[2].delay}),
              (std::array{0, 3, -1}));
    EXPECT_EQ((std::array{picture.Frames()[0].disposal, second.disposal, picture.Frames()[2].disposal}),
              (std::array{2, 3, 0}));
    EXPECT_EQ(picture.BackgroundColor(), picture.palette().color(QPalette::Button));
}

TEST(PictureEx, FramesThatCannotBeReadAreDropped) {
    GifBuilder gif(8, 8);
    gif.Control(5, 0).Image(0, 0, 8, 8, GifBuilder::Red);
    gif.Control(5, 0).BrokenImage(0, 0, 8, 8);
    gif.Control(5, 0).Image(0, 0, 8, 8, GifBuilder::Blue).Trailer();
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromMemory(gif.Data()));
    ASSERT_EQ(picture.Frames().size(), 2u);
    EXPECT_EQ(picture.Frames()[1].image.pixelColor(0, 0), kBlue);

    // Only one frame left: shown as a still picture.
    GifBuilder one(8, 8);
    one.Control(5, 0).BrokenImage(0, 0, 8, 8).Control(5, 0).Image(0, 0, 8, 8, GifBuilder::Green).Trailer();
    ASSERT_TRUE(picture.LoadFromMemory(one.Data()));
    EXPECT_TRUE(picture.Draw());
    EXPECT_EQ(picture.Snapshot().pixelColor(4, 4), kGreen);
    EXPECT_EQ(picture.AnimationThreadsStarted(), 0);

    GifBuilder none(8, 8);
    none.BrokenImage(0, 0, 8, 8).BrokenImage(0, 0, 8, 8).Trailer();
    EXPECT_FALSE(picture.LoadFromMemory(none.Data()));
    EXPECT_FALSE(picture.Draw());
}

TEST(PictureEx, AnotherVersionIsReadAsAGif) {
    GifBuilder gif(8, 8, "90a");
    gif.Control(5, 0)
        .Image(0, 0, 8, 8, GifBuilder::Red)
        .Control(5, 0)
        .Image(0, 0, 8, 8, GifBuilder::Blue)
        .Trailer();
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromMemory(gif.Data()));
    EXPECT_TRUE(picture.IsGif());
    EXPECT_EQ(picture.Frames().size(), 2u);

    GifBuilder still(8, 8, "8?a");
    still.Image(0, 0, 8, 8, GifBuilder::Green).Trailer();
    ASSERT_TRUE(picture.LoadFromMemory(still.Data()));
    EXPECT_TRUE(picture.Draw());
    EXPECT_EQ(picture.Snapshot().pixelColor(1, 1), kGreen);
}

TEST(PictureEx, TruncatedDataNeverBreaksTheControl) {
    const QByteArray whole = ThreeColours();
    CPictureEx picture;
    std::size_t frames = 0;
    for (qsizetype n = 0; n <= whole.size(); ++n) {
        if (picture.LoadFromMemory(whole.left(n))) {
            EXPECT_TRUE(picture.PictureSize() == QSize(8, 8)) << n;
            EXPECT_GE(picture.Frames().size(), frames) << n;
            frames = picture.Frames().size();
        }
    }
    EXPECT_EQ(frames, 3u);
}

TEST(PictureEx, DisposalClearsOrRestoresTheFrameArea) {
    PictureSurface surface;
    ASSERT_TRUE(surface.Prepare({10, 10}, kWhite, kBlue));
    auto frame = [](QColor colour, int disposal) {
        PictureFrame f;
        f.image = QImage(4, 4, QImage::Format_ARGB32_Premultiplied);
        f.image.fill(colour);
        f.rect = QRect(2, 2, 4, 4);
        f.disposal = disposal;
        return f;
    };
    const PictureFrame keep = frame(kRed, 1), clear = frame(kGreen, 2), restore = frame(kRed, 3);

    surface.Show(keep);
    surface.Dispose(keep);
    EXPECT_EQ(surface.Snapshot().pixelColor(3, 3), kRed);

    surface.Show(clear);
    EXPECT_EQ(surface.Snapshot().pixelColor(3, 3), kGreen);
    surface.Dispose(clear);
    EXPECT_EQ(surface.Snapshot().pixelColor(3, 3), kWhite);
    EXPECT_EQ(surface.Snapshot().pixelColor(0, 0), kBlue); // outside the frame

    const PictureFrame over = frame(kGreen, 0);
    surface.Show(over);
    surface.Show(restore);
    EXPECT_EQ(surface.Snapshot().pixelColor(3, 3), kRed);
    surface.Dispose(restore);
    EXPECT_EQ(surface.Snapshot().pixelColor(3, 3), kGreen);

    // Transparent pixels of a frame leave what lies beneath.
    PictureFrame hole = frame(Qt::transparent, 0);
    surface.Show(hole);
    EXPECT_EQ(surface.Snapshot().pixelColor(3, 3), kGreen);

    surface.Clear();
    EXPECT_EQ(surface.Snapshot().pixelColor(0, 0), kWhite);
    EXPECT_FALSE(surface.Prepare({0, 5}, kWhite, kWhite));
    EXPECT_FALSE(surface.Prepare({65535, 65535}, kWhite, kWhite));
}

TEST(PictureEx, AnimatesOnOneThreadAndRepaintsTheWindow) {
    QWidget window;
    auto* picture = new CPictureEx(&window);
    ASSERT_TRUE(picture->LoadFromMemory(ThreeColours()));
    window.show();
    EXPECT_FALSE(picture->Draw());
    EXPECT_FALSE(picture->Draw()); // repeated paints start no further thread
    EXPECT_TRUE(picture->IsPlaying());
    EXPECT_EQ(picture->AnimationThreadsStarted(), 1);

    // Every colour reaches the window in turn.
    for (const QColor colour : {kGreen, kBlue, kRed})
        EXPECT_TRUE(SpinUntil([&] { return picture->grab().toImage().pixelColor(4, 4) == colour; }))
            << colour.name().toStdString();
    EXPECT_EQ(picture->AnimationThreadsStarted(), 1);
}

TEST(PictureEx, StopKeepsTheFrameAndDrawResumesThere) {
    CPictureEx picture;
    GifBuilder gif(8, 8);
    gif.Control(5, 1).Image(0, 0, 8, 8, GifBuilder::Red);
    gif.Control(30000, 1).Image(0, 0, 8, 8, GifBuilder::Green); // 5 minutes
    gif.Control(5, 1).Image(0, 0, 8, 8, GifBuilder::Blue).Trailer();
    ASSERT_TRUE(picture.LoadFromMemory(gif.Data()));
    picture.Draw();
    ASSERT_TRUE(SpinUntil([&] { return picture.Snapshot().pixelColor(0, 0) == kGreen; }));

    QElapsedTimer timer;
    timer.start();
    picture.Stop();
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(picture.IsPlaying());
    EXPECT_EQ(picture.CurrentFrame(), 1u);
    EXPECT_EQ(picture.Snapshot().pixelColor(0, 0), kGreen);

    picture.Draw();
    EXPECT_TRUE(picture.IsPlaying());
    EXPECT_EQ(picture.AnimationThreadsStarted(), 2);
    EXPECT_EQ(picture.CurrentFrame(), 1u);
    picture.UnLoad();
    EXPECT_FALSE(picture.IsPlaying());
    EXPECT_TRUE(picture.Frames().empty());
    EXPECT_TRUE(picture.Snapshot().isNull());
    EXPECT_EQ(picture.BackgroundColor(), kWhite);
    EXPECT_FALSE(picture.Draw());
}

TEST(PictureEx, LoadingAgainOrDestroyingEndsTheAnimation) {
    auto picture = std::make_unique<CPictureEx>();
    ASSERT_TRUE(picture->LoadFromMemory(ThreeColours()));
    picture->Draw();
    ASSERT_TRUE(picture->IsPlaying());
    ASSERT_TRUE(picture->LoadFromMemory(ThreeColours()));
    EXPECT_FALSE(picture->IsPlaying());
    EXPECT_EQ(picture->CurrentFrame(), 0u);
    picture->Draw();
    ASSERT_TRUE(picture->IsPlaying());
    picture.reset(); // joins the thread; the sanitizers see any use after free
}

TEST(PictureEx, TheLoadingAnimationResource) {
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromResource(Res::IDR_LOADING_GIF, "GIF"));
    EXPECT_EQ(picture.PictureSize(), QSize(32, 32));
    ASSERT_EQ(picture.Frames().size(), 31u);
    for (const PictureFrame& frame : picture.Frames()) {
        EXPECT_EQ(frame.delay, 5);
        EXPECT_EQ(frame.rect, QRect(0, 0, 32, 32));
    }
    EXPECT_FALSE(picture.LoadFromResource(9999, "GIF"));
}

} // namespace
