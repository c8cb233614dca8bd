// The GIF decoding wrappers on arbitrary bytes. The first picture is either a picture within the
// pixel budget and no message, or no picture and a message; it is the first of the frames that
// the animation decoder gives; every frame covers the whole logical screen, and all frames
// together stay within the pixel budget.

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzChecks.h"
#include "imaging/PictureDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const QImage first = DecodeGif(data, size, error);
    FUZZ_CHECK(first.isNull() != error.empty());

    std::string framesError;
    const std::vector<GifFrame> frames = DecodeGifFrames(data, size, framesError);
    if (frames.empty()) {
        FUZZ_CHECK(!framesError.empty());
        FUZZ_CHECK(first.isNull());
        return 0;
    }
    FUZZ_CHECK(!first.isNull());
    FUZZ_CHECK(frames.front().Image == first);
    std::int64_t pixels = 0;
    for (const GifFrame& frame : frames) {
        FUZZ_CHECK(frame.Image.size() == first.size());
        FUZZ_CHECK(frame.DelayMs >= 0);
        pixels += static_cast<std::int64_t>(frame.Image.width()) * frame.Image.height();
    }
    FUZZ_CHECK(pixels <= MaxPicturePixels);
    return 0;
}
