// The EMF decoder on arbitrary bytes: the record check and the conversion agree (an SVG and a
// canvas within the metafile limits, or neither and a message), and the picture drawn from it is
// the canvas's size. Text in the SVG needs fonts, hence the application object.

#include <QGuiApplication>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzChecks.h"
#include "imaging/MetafileConversion.h"
#include "imaging/PictureDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_emf";
    static char* argv[] = {name, nullptr};
    static const auto app = std::make_unique<QGuiApplication>(argc, argv);

    EmfDrawing drawing;
    std::string conversionError;
    const bool converted = ConvertEmfToSvg(data, size, drawing, conversionError);
    FUZZ_CHECK(converted == conversionError.empty());
    FUZZ_CHECK(converted == !drawing.Svg.empty());
    if (converted) {
        FUZZ_CHECK(drawing.Canvas.Width >= 1 && drawing.Canvas.Width <= MaxMetafileSide);
        FUZZ_CHECK(drawing.Canvas.Height >= 1 && drawing.Canvas.Height <= MaxMetafileSide);
    }

    std::string error;
    const QImage image = DecodeEmf(data, size, error);
    FUZZ_CHECK(image.isNull() != error.empty());
    if (!image.isNull())
        FUZZ_CHECK(image.width() == drawing.Canvas.Width &&
                   image.height() == drawing.Canvas.Height);
    return 0;
}
