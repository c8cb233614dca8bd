// The WMF decoder on arbitrary bytes: either a picture within the metafile limits and no
// message, or no picture and a message; never a crash, an unbounded allocation or an endless
// drawing (the drawing's time limit is shortened here to keep the fuzzer's pace).

#include <cstdint>
#include <string>

#include "FuzzChecks.h"
#include "imaging/MetafileConversion.h"
#include "imaging/PictureDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string png, pngError;
    const bool drawn = DrawWmfAsPng(data, size, png, pngError, std::chrono::milliseconds(2000));
    FUZZ_CHECK(drawn == pngError.empty());
    FUZZ_CHECK(drawn == !png.empty());

    std::string error;
    const QImage image = DecodeWmf(data, size, error);
    FUZZ_CHECK(image.isNull() != error.empty());
    if (!image.isNull()) {
        FUZZ_CHECK(image.width() <= MaxMetafileSide && image.height() <= MaxMetafileSide);
        FUZZ_CHECK(static_cast<std::int64_t>(image.width()) * image.height() <= MaxMetafilePixels);
    }
    return 0;
}
