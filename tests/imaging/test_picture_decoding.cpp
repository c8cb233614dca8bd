#include <gtest/gtest.h>

#include <QColor>
#include <random>

#include "imaging/Picture.h"
#include "imaging/PictureDecoders.h"
#include "support/MetafileFixtures.h"
#include "support/PictureFixtures.h"
#include "support/TempFolder.h"

namespace {

const unsigned char* Bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

QImage Decode(const std::string& bytes, std::string_view name, std::string& error) {
    return DecodePicture(Bytes(bytes), bytes.size(), name, error);
}

bool Near(QRgb actual, QRgb expected, int tolerance) {
    return std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
           std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

struct GoodFile {
    const char* Label;
    std::string Bytes;
    const char* Name;
    int Tolerance;  // lossy formats land near the colour, not on it
    bool Grey;
};

std::vector<GoodFile> GoodFiles() {
    const QImage quad = QuadrantPicture(64, 48);
    const QImage odd = QuadrantPicture(31, 37);
    return {
        {"baseline JPEG", EncodeJpeg(quad), "a.jpg", 40, false},
        {"progressive JPEG", EncodeJpeg(quad, {90, true}), "a.jpeg", 40, false},
        {"grey JPEG", EncodeJpeg(quad, {90, false, true}), "a.jpg", 20, true},
        {"CMYK JPEG", EncodeJpeg(quad, {95, false, false, true}), "a.jpg", 40, false},
        {"GIF", EncodeGif(quad), "a.gif", 0, false},
        {"interlaced GIF, odd size", EncodeGif(odd, true), "a.gif", 0, false},
        {"BMP", EncodeWithQt(quad, "BMP"), "a.bmp", 0, false},
        {"ICO", EncodeWithQt(QuadrantPicture(32, 32), "ICO"), "a.ico", 0, false},
        {"PNG in a page", EncodeWithQt(quad, "PNG"), "a.png", 0, false},
        // The bytes decide, not the name: a GIF saved as ".jpg" still shows.
        {"GIF named .jpg", EncodeGif(quad), "photo.jpg", 0, false},
        {"placeable WMF", EncodeWmf(64, 48, QuadrantBoxes(64, 48)), "a.wmf", 0, false},
        {"WMF without its placeable header", EncodeWmf(64, 48, QuadrantBoxes(64, 48), false),
         "a.wmf", 0, false},
        {"EMF", EncodeEmf(64, 48, QuadrantBoxes(64, 48)), "a.emf", 0, false},
    };
}

QRgb Grey(QRgb c) {
    const int v = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
    return qRgb(v, v, v);
}

}  // namespace

TEST(PictureDecoding, RealFilesDecodeToTheirPixels) {
    for (const auto& f : GoodFiles()) {
        SCOPED_TRACE(f.Label);
        std::string error;
        const QImage image = Decode(f.Bytes, f.Name, error);
        ASSERT_FALSE(image.isNull()) << error;
        EXPECT_TRUE(error.empty());
        const int w = image.width(), h = image.height();
        const QRgb expected[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                 qRgb(255, 255, 255)};
        const QPoint samples[] = {
            {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
        for (int i = 0; i < 4; ++i) {
            const QRgb want = f.Grey ? Grey(expected[i]) : expected[i];
            const QRgb got = image.pixel(samples[i]);
            EXPECT_TRUE(Near(got, want, f.Tolerance))
                << "quadrant " << i << " got " << QColor(got).name().toStdString();
        }
    }
}

TEST(PictureDecoding, DimensionsSurviveDecoding) {
    std::string error;
    EXPECT_EQ(Decode(EncodeJpeg(QuadrantPicture(1600, 800)), "a.jpg", error).size(),
              QSize(1600, 800));
    EXPECT_EQ(Decode(EncodeGif(QuadrantPicture(31, 37), true), "a.gif", error).size(),
              QSize(31, 37));
}

TEST(PictureDecoding, TruncatedFilesGiveAnErrorNotAPicture) {
    for (const auto& f : GoodFiles()) {
        for (double share : {0.0, 0.05, 0.5, 0.9}) {
            SCOPED_TRACE(std::string(f.Label) + " cut at " + std::to_string(share));
            const std::string cut =
                f.Bytes.substr(0, static_cast<std::size_t>(f.Bytes.size() * share));
            std::string error;
            const QImage image = Decode(cut, f.Name, error);
            EXPECT_TRUE(image.isNull());
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(PictureDecoding, GifWithoutItsClosingByteStillShows) {
    const std::string whole = EncodeGif(QuadrantPicture(16, 16));
    ASSERT_EQ(whole.back(), ';');
    std::string error;
    const QImage image = Decode(whole.substr(0, whole.size() - 1), "a.gif", error);
    ASSERT_FALSE(image.isNull()) << error;
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 0, 0));
}

TEST(PictureDecoding, CorruptAndForeignFilesGiveClearErrors) {
    std::string gifBadScreen = EncodeGif(QuadrantPicture(8, 8));
    gifBadScreen[6] = gifBadScreen[7] = gifBadScreen[8] = gifBadScreen[9] = '\xff';  // 65535^2
    std::string gifBadCodeSize = EncodeGif(QuadrantPicture(8, 8));
    // The LZW minimum code size byte follows the 10-byte image descriptor.
    const auto desc = gifBadCodeSize.find(',', 13 + 3 * 256);
    ASSERT_NE(desc, std::string::npos);
    gifBadCodeSize[desc + 10] = 40;
    std::string jpegNoHeight = EncodeJpeg(QuadrantPicture(16, 16));
    const auto frameHeader = jpegNoHeight.find("\xff\xc0");
    ASSERT_NE(frameHeader, std::string::npos);
    jpegNoHeight[frameHeader + 5] = jpegNoHeight[frameHeader + 6] = '\0';

    struct Case {
        const char* Label;
        std::string Bytes;
        const char* Name;
        const char* ErrorPart;
    };
    const Case cases[] = {
        {"empty file", "", "a.jpg", "empty"},
        {"JPEG name, text inside", "<html>not a picture</html>", "a.jpg", "JPEG error"},
        {"JPEG of no height", jpegNoHeight, "a.jpg", "JPEG error"},
        {"GIF claiming a huge screen", gifBadScreen, "a.gif", "too large"},
        {"GIF with an impossible code size", gifBadCodeSize, "a.gif", "GIF error"},
        {"BMP header only", "BM\x10\0\0\0\0\0\0\0\x36\0\0\0", "a.bmp", "Bitmap error"},
        {"placeable WMF of zeros", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(40, '\0'),
         "a.wmf", "WMF error"},
        {"EMF by its name", std::string(60, 'x'), "a.emf", "EMF error"},
        {"WMF by its name", std::string(60, 'x'), "A.WMF", "WMF error"},
        {"unknown kind", "hello", "a.txt", "Unknown picture"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        std::string error;
        const QImage image = Decode(c.Bytes, c.Name, error);
        EXPECT_TRUE(image.isNull());
        EXPECT_NE(error.find(c.ErrorPart), std::string::npos) << error;
    }
}

// Damaged copies of every good file: each either decodes or explains itself, and none crashes
// or reads out of bounds (the sanitizers watch).
TEST(PictureDecoding, RandomDamageNeverCrashes) {
    std::mt19937 random(20240611);
    for (const auto& f : GoodFiles()) {
        SCOPED_TRACE(f.Label);
        for (int round = 0; round < 60; ++round) {
            std::string bytes = f.Bytes;
            const int flips = 1 + static_cast<int>(random() % 8);
            for (int i = 0; i < flips; ++i)
                bytes[random() % bytes.size()] = static_cast<char>(random() & 0xff);
            std::string error;
            const QImage image = Decode(bytes, f.Name, error);
            EXPECT_NE(image.isNull(), error.empty());
        }
    }
}

TEST(PictureDecoding, AnimatedGifComposesFramesWithDisposal) {
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    QImage blueDot(2, 2, QImage::Format_RGB32);
    blueDot.fill(qRgb(0, 0, 255));
    QImage greenWithHole(4, 4, QImage::Format_RGB32);
    greenWithHole.fill(qRgb(0, 255, 0));
    greenWithHole.setPixel(0, 0, qRgb(1, 2, 3));  // the transparent colour

    const std::string bytes = EncodeGif(
        8, 8,
        {GifFrameSpec{red, 0, 0, 10, 1, {}},
         GifFrameSpec{blueDot, 3, 3, 20, 3, {}},  // restored to the previous picture afterwards
         GifFrameSpec{greenWithHole, 4, 4, 0, 2, QColor(1, 2, 3)}});
    std::string error;
    const auto frames = DecodeGifFrames(Bytes(bytes), bytes.size(), error);
    ASSERT_EQ(frames.size(), 3u) << error;
    EXPECT_EQ(frames[0].DelayMs, 100);
    EXPECT_EQ(frames[1].DelayMs, 200);
    EXPECT_EQ(frames[1].Image.pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(frames[2].Image.pixel(3, 3), qRgb(255, 0, 0));  // blue dot undone
    EXPECT_EQ(frames[2].Image.pixel(4, 4), qRgb(255, 0, 0));  // seen through the hole
    EXPECT_EQ(frames[2].Image.pixel(5, 5), qRgb(0, 255, 0));

    // The single-picture decoder gives the first frame.
    const QImage first = DecodeGif(Bytes(bytes), bytes.size(), error);
    EXPECT_EQ(first.pixel(3, 3), qRgb(255, 0, 0));

    // A damaged last frame keeps the frames before it and says what went wrong.
    const std::string cut = bytes.substr(0, bytes.size() - 6);
    const auto some = DecodeGifFrames(Bytes(cut), cut.size(), error);
    EXPECT_EQ(some.size(), 2u);
    EXPECT_FALSE(error.empty());
}

TEST(PictureDecoding, LoadPictureNamesTheFileInItsError) {
    TempFolder folder;
    const std::string good = folder.Text() + "good.gif";
    const std::string bad = folder.Text() + "bad.jpg";
    WriteBytes(good, EncodeGif(QuadrantPicture(10, 10)));
    WriteBytes(bad, EncodeJpeg(QuadrantPicture(40, 40)).substr(0, 300));
    EXPECT_EQ(LoadPicture(good).size(), QSize(10, 10));

    for (const std::string& path : {bad, folder.Text() + "missing.gif"}) {
        try {
            LoadPicture(path);
            ADD_FAILURE() << "no error for " << path;
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}
