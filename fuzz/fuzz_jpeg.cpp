// The JPEG decoding wrapper on arbitrary bytes. Whatever the file holds, the answer is either a
// picture within the pixel budget and no message, or no picture and a message; the same bytes
// always give the same picture (a read of memory libjpeg never wrote would not).

#include <cstdint>
#include <string>

#include "FuzzChecks.h"
#include "imaging/PictureDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const QImage image = DecodeJpeg(data, size, error);
    if (image.isNull()) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(error.empty());
    FUZZ_CHECK(image.width() > 0 && image.height() > 0);
    FUZZ_CHECK(static_cast<std::int64_t>(image.width()) * image.height() <= MaxPicturePixels);
    FUZZ_CHECK(!image.hasAlphaChannel());

    std::string again;
    FUZZ_CHECK(DecodeJpeg(data, size, again) == image);
    FUZZ_CHECK(again.empty());
    return 0;
}
