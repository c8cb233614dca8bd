#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QPainter>
#include <cctype>
#include <cstring>
#include <limits>

#include "imaging/MetafileConversion.h"
#include "imaging/Picture.h"
#include "imaging/PictureDecoders.h"
#include "support/GuiTestApp.h"
#include "support/MetafileFixtures.h"

namespace {

const unsigned char* Bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

QImage Decode(const std::string& bytes, std::string_view name, std::string& error) {
    return DecodePicture(Bytes(bytes), bytes.size(), name, error);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

void Append32(std::string& bytes, std::uint32_t value) {
    bytes.resize(bytes.size() + 4);
    Put32(bytes, bytes.size() - 4, value);
}

// An EMF with one extra record before its end record, the header's byte count mended.
std::string EmfWith(const std::string& record) {
    std::string emf = EncodeEmf(64, 48, {});
    emf.insert(emf.size() - 20, record);
    Put32(emf, 48, static_cast<std::uint32_t>(emf.size()));
    return emf;
}

std::string EmfRecord(std::uint32_t type, const std::vector<std::uint32_t>& values) {
    std::string record;
    Append32(record, type);
    Append32(record, static_cast<std::uint32_t>(8 + 4 * values.size()));
    for (auto v : values) Append32(record, v);
    return record;
}

std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

int DarkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 96) ++dark;
    return dark;
}

struct SizeCase {
    const char* Label;
    std::string Bytes;
    const char* Name;
    QSize Expected;
};

class MetafileSize : public testing::TestWithParam<SizeCase> {};

std::string WmfAtUnitsPerInch(int width, int height, int unitsPerInch) {
    std::string wmf = EncodeWmf(width, height, QuadrantBoxes(width, height));
    wmf[14] = static_cast<char>(unitsPerInch & 0xff);
    wmf[15] = static_cast<char>(unitsPerInch >> 8);
    int checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^=
            static_cast<unsigned char>(wmf[i]) | (static_cast<unsigned char>(wmf[i + 1]) << 8);
    wmf[20] = static_cast<char>(checksum & 0xff);
    wmf[21] = static_cast<char>(checksum >> 8);
    return wmf;
}

}  // namespace

TEST_P(MetafileSize, DrawsAtTheSizeTheFileAsksWithinTheLimits) {
    const SizeCase& c = GetParam();
    std::string error;
    const QImage image = Decode(c.Bytes, c.Name, error);
    ASSERT_FALSE(image.isNull()) << error;
    EXPECT_EQ(image.size(), c.Expected);
    // The quadrants keep their places whatever the scale.
    EXPECT_EQ(image.pixel(image.width() / 4, image.height() / 4), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3 * image.width() / 4, 3 * image.height() / 4), qRgb(255, 255, 255));
}

INSTANTIATE_TEST_SUITE_P(
    Metafiles, MetafileSize,
    testing::Values(
        SizeCase{"WMF", EncodeWmf(64, 48, QuadrantBoxes(64, 48)), "a.wmf", {64, 48}},
        // 960 units at 48 units an inch are 20 inches: 1920 pixels.
        SizeCase{"WMF in coarse units", WmfAtUnitsPerInch(960, 480, 48), "a.wmf", {1920, 960}},
        // 8000 units at 10 an inch: 76 800 pixels, brought down to the longest side allowed.
        SizeCase{"huge WMF", WmfAtUnitsPerInch(8000, 4000, 10), "a.wmf", {4096, 2048}},
        SizeCase{"EMF", EncodeEmf(64, 48, QuadrantBoxes(64, 48)), "a.emf", {64, 48}},
        SizeCase{"huge EMF",
                 EncodeEmf(20000, 10000, QuadrantBoxes(20000, 10000)),
                 "a.emf",
                 {4096, 2048}}),
    [](const testing::TestParamInfo<SizeCase>& info) {
        std::string name;
        for (const char* p = info.param.Label; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

TEST(MetafileDecoding, DamagedAndHostileFilesGiveAnError) {
    const std::string wmf = EncodeWmf(64, 48, QuadrantBoxes(64, 48));
    std::string wmfRecordTooLong = wmf;
    Put32(wmfRecordTooLong, 22 + 18, 0x7FFFFFFF);  // the first record's size, in words

    const std::string emf = EncodeEmf(64, 48, QuadrantBoxes(64, 48));
    std::string emfOddRecord = emf;
    Put32(emfOddRecord, 88 + 4, 26);  // the first record's size, not a multiple of four
    std::string emfNoBounds = emf;
    Put32(emfNoBounds, 16, 0);  // right = left
    std::string emfSecondHeader = EmfWith(emf.substr(0, 88));
    // A polyline claiming 2^29 + 1 points: times eight bytes, the count wraps to 8 in 32 bits.
    std::string emfPolylineOverflow = EmfWith(EmfRecord(4, {0, 0, 64, 48, 0x20000001, 1, 1}));
    // Text whose characters are said to lie two gigabytes away.
    std::string emfTextFarAway =
        EmfWith(EmfRecord(84, {0, 0, 64, 48, 1, 0x3F800000, 0x3F800000, 1, 1, 4, 0x7FFFFF00, 0x100,
                               0, 0x00420041, 0x00440043}));

    struct Case {
        const char* Label;
        std::string Bytes;
        const char* Name;
        const char* ErrorPart;
    };
    const Case cases[] = {
        {"WMF cut in a record", wmf.substr(0, wmf.size() - 20), "a.wmf", "WMF error"},
        {"WMF record longer than the file", wmfRecordTooLong, "a.wmf", "WMF error"},
        {"WMF header only", wmf.substr(0, 40), "a.wmf", "WMF error"},
        {"EMF without its end record", emf.substr(0, emf.size() - 20), "a.emf",
         "EMF error: the file ends before the picture is complete"},
        {"EMF header only", emf.substr(0, 88), "a.emf", "EMF error: the file ends"},
        {"EMF record of an odd size", emfOddRecord, "a.emf", "EMF error: the picture is not valid"},
        {"EMF with a second header", emfSecondHeader, "a.emf", "not valid"},
        {"EMF of no width", emfNoBounds, "a.emf", "EMF error: the picture has no size"},
        {"EMF polyline with a wrapping count", emfPolylineOverflow, "a.emf", "EMF error"},
        {"EMF text out of the record", emfTextFarAway, "a.emf", "EMF error"},
        {"EMF signature with a foreign body", std::string(40, '\1') + " EMF" + std::string(60, 'x'),
         "a.emf", "EMF error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        std::string error;
        const QImage image = Decode(c.Bytes, c.Name, error);
        EXPECT_TRUE(image.isNull()) << image.width() << "x" << image.height();
        EXPECT_NE(error.find(c.ErrorPart), std::string::npos) << error;
    }
}

TEST(MetafileDecoding, SlowWmfStopsAtTheTimeLimit) {
    std::vector<MetafileBox> boxes(3000, MetafileBox{QRect(0, 0, 2000, 2000), qRgb(255, 0, 0)});
    const std::string wmf = EncodeWmf(2000, 2000, boxes);
    std::string png, error;
    EXPECT_FALSE(DrawWmfAsPng(Bytes(wmf), wmf.size(), png, error, std::chrono::milliseconds(0)));
    EXPECT_EQ(error, "WMF error: the picture takes too long to draw");
    EXPECT_TRUE(png.empty());
}

// The drawing device stamps a square of the pen's width along every line, and is not stopped
// within one record: a pen as wide as a record can ask for kept it on one rectangle for longer
// than the time limit (minutes, for longer lines). The pen is drawn at most 64 pixels wide
// instead, and the picture comes.
TEST(MetafileDecoding, PenWiderThanAnyPageIsDrawnNarrower) {
    const std::string wmf =
        EncodeWmf(64, 48, {MetafileBox{QRect(32, 24, 15648, 24), qRgb(255, 0, 0)}}, false, 65535);
    std::string png, error;
    ASSERT_TRUE(DrawWmfAsPng(Bytes(wmf), wmf.size(), png, error)) << error;
    QImage image;
    ASSERT_TRUE(image.loadFromData(Bytes(png), static_cast<int>(png.size()), "PNG"));
    EXPECT_GT(DarkPixels(image), 0);
}

// Text is drawn glyph by glyph, pixel by pixel, also within one record. A font of no height and
// some width shows nothing, and kept the device busy for minutes: the picture comes without it.
TEST(MetafileDecoding, TextInAFontOfNoHeightIsLeftOut) {
    // A picture two pixels square: an ellipse, a polygon, then "Lantern" in a font of no height
    // and 2816 units wide (found by fuzzing).
    const std::string wmf = FromHex(
        "d7cdc69a00000000000040003000600800000000015701000900000360000000040040000000000005000000"
        "0b02000000000700000018043c002c00040004000a00000024030300000a280020000600360028000f000000"
        "fb020000000b02000000000700000018043c002c000400040000040000002d0102000500000009020000ff00"
        "0a000000210507004c616e7465726e0014000800030000000000");
    std::string png, error;
    ASSERT_TRUE(DrawWmfAsPng(Bytes(wmf), wmf.size(), png, error)) << error;
    QImage image;
    ASSERT_TRUE(image.loadFromData(Bytes(png), static_cast<int>(png.size()), "PNG"));
    EXPECT_EQ(image.size(), QSize(2, 2));
}

// Qt's renderer cannot be interrupted, so the page of an EMF full of full-page shapes shrinks
// until the work is bounded; its proportions stay.
TEST(MetafileDecoding, EmfOfManyShapesIsDrawnOnASmallerPage) {
    const std::vector<MetafileBox> boxes(20000,
                                         MetafileBox{QRect(0, 0, 4000, 2000), qRgb(0, 0, 255)});
    const std::string emf = EncodeEmf(4000, 2000, boxes);
    EmfDrawing drawing;
    std::string error;
    ASSERT_TRUE(ConvertEmfToSvg(Bytes(emf), emf.size(), drawing, error)) << error;
    const std::int64_t pixels =
        static_cast<std::int64_t>(drawing.Canvas.Width) * drawing.Canvas.Height;
    EXPECT_LE(pixels * 20000, MaxMetafileWork);
    EXPECT_GT(pixels * 20000 * 4, MaxMetafileWork);  // not smaller than it needs to be
    EXPECT_NEAR(static_cast<double>(drawing.Canvas.Width) / drawing.Canvas.Height, 2.0, 0.02);
}

// fontconfig is in the process through Qt and the EMF converter; its functions are looked up
// rather than linked, so that the test needs no headers of its own.
template <typename Function>
Function FontconfigFunction(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_DEFAULT, name));
}

TEST(MetafileDecoding, EmfTextLeavesTheProcessFontConfigurationAlone) {
    EnsureGuiApplication();
    const auto current = FontconfigFunction<void* (*)()>("FcConfigGetCurrent");
    const auto reference = FontconfigFunction<void* (*)(void*)>("FcConfigReference");
    const auto destroy = FontconfigFunction<void (*)(void*)>("FcConfigDestroy");
    ASSERT_TRUE(current && reference && destroy);
    // Held, so that a configuration made anew could not take the old one's address.
    void* before = reference(current());
    const std::string emf = EncodeEmfText(160, 40, "Lantern", 24, true);
    std::string error;
    EXPECT_FALSE(Decode(emf, "a.emf", error).isNull()) << error;
    EXPECT_EQ(current(), before);
    destroy(before);
}

// The EMF converter looks up the face of text stored as glyph numbers through fontconfig and then
// shut fontconfig down behind Qt's back: the next such picture, or Qt's own text, could abort
// the program inside fontconfig.
TEST(MetafileDecoding, TextInMetafilesIsDrawnAndQtTextStillWorksAfterwards) {
    EnsureGuiApplication();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (const auto& [bytes, name] :
             {std::pair{EncodeEmfText(160, 40, "Lantern", 24), "a.emf"},
              std::pair{EncodeEmfText(160, 40, "Lantern", 24, true), "glyphs.emf"},
              std::pair{EncodeWmfText(160, 40, "Lantern", 24), "a.wmf"}}) {
            SCOPED_TRACE(name);
            std::string error;
            const QImage image = Decode(bytes, name, error);
            ASSERT_FALSE(image.isNull()) << error;
            EXPECT_GT(DarkPixels(image), 60);                      // seven letters' strokes
            EXPECT_EQ(image.pixel(150, 36), qRgb(255, 255, 255));  // the page beside them
        }
        QImage page(100, 30, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.setPen(Qt::black);
        painter.drawText(page.rect(), Qt::AlignCenter, QStringLiteral("Lantern"));
        painter.end();
        EXPECT_GT(DarkPixels(page), 20);
    }
}

TEST(MetafileDecoding, FitsTheCanvasToTheLimits) {
    struct Case {
        double Width, Height;
        std::int64_t MaxPixels;
        int ExpectedWidth, ExpectedHeight;
    };
    const Case cases[] = {
        {64, 48, MaxMetafilePixels, 64, 48},
        {10000, 100, MaxMetafilePixels, 4096, 41},
        {100, 10000, MaxMetafilePixels, 41, 4096},
        {4096, 8192, MaxMetafilePixels, 2048, 4096},
        {1000, 1000, 10000, 100, 100},
        {100000, 1, MaxMetafilePixels, 4096, 1},  // a hair keeps a pixel across
        {0, 48, MaxMetafilePixels, 0, 0},
        {64, -1, MaxMetafilePixels, 0, 0},
        {std::numeric_limits<double>::infinity(), 5, MaxMetafilePixels, 0, 0},
        {std::numeric_limits<double>::quiet_NaN(), 5, MaxMetafilePixels, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height));
        const MetafileCanvas canvas = FitMetafileCanvas(c.Width, c.Height, c.MaxPixels);
        EXPECT_EQ(canvas.Width, c.ExpectedWidth);
        EXPECT_EQ(canvas.Height, c.ExpectedHeight);
    }
}
