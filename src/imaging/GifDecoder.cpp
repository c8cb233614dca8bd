#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "imaging/PictureDecoders.h"

namespace {

struct ByteSource {
    const unsigned char* Data;
    std::size_t Size;
    std::size_t Position = 0;
};

int ReadFromBuffer(GifFileType* gif, GifByteType* buffer, int length) {
    auto* source = static_cast<ByteSource*>(gif->UserData);
    if (length <= 0) return 0;
    const std::size_t left = source->Size - source->Position;
    const std::size_t count = std::min(left, static_cast<std::size_t>(length));
    std::memcpy(buffer, source->Data + source->Position, count);
    source->Position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

std::string GifMessage(int code) {
    if (code == D_GIF_ERR_READ_FAILED || code == D_GIF_ERR_EOF_TOO_SOON)
        return "GIF error: the file ends before the picture is complete";
    const char* text = GifErrorString(code);
    return std::string("GIF error: ") + (text != nullptr ? text : "the picture is damaged");
}

// The frame as stored: its place on the logical screen and one colour index per pixel.
struct RawFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<GifByteType> Indexes;
};

// Reads the pixel rows of the frame whose descriptor giflib has just read, putting interlaced
// rows where they belong.
bool ReadFrameRows(GifFileType* gif, RawFrame& frame) {
    const GifImageDesc& desc = gif->Image;
    frame.Left = desc.Left;
    frame.Top = desc.Top;
    frame.Width = desc.Width;
    frame.Height = desc.Height;
    frame.Indexes.assign(static_cast<std::size_t>(frame.Width) * frame.Height, 0);
    auto row = [&](int y) {
        return frame.Indexes.data() + static_cast<std::size_t>(y) * frame.Width;
    };
    if (desc.Interlace) {
        static constexpr int Offsets[] = {0, 4, 2, 1};
        static constexpr int Steps[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = Offsets[pass]; y < frame.Height; y += Steps[pass])
                if (DGifGetLine(gif, row(y), frame.Width) == GIF_ERROR) return false;
    } else {
        for (int y = 0; y < frame.Height; ++y)
            if (DGifGetLine(gif, row(y), frame.Width) == GIF_ERROR) return false;
    }
    return true;
}

// Reads past the pixel data of a frame that has no area.
bool SkipFrameData(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) return false;
    while (block != nullptr)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) return false;
    return true;
}

QRgb ColourOf(const ColorMapObject* map, int index) {
    if (map == nullptr || map->Colors == nullptr || index >= map->ColorCount) return qRgb(0, 0, 0);
    const GifColorType& c = map->Colors[index];
    return qRgb(c.Red, c.Green, c.Blue);
}

// Paints the frame's opaque pixels onto the canvas, clipped to the logical screen.
void Compose(QImage& canvas, const RawFrame& frame, const ColorMapObject* map, int transparent) {
    const int x0 = std::max(0, frame.Left), y0 = std::max(0, frame.Top);
    const int x1 = std::min(canvas.width(), frame.Left + frame.Width);
    const int y1 = std::min(canvas.height(), frame.Top + frame.Height);
    for (int y = y0; y < y1; ++y) {
        auto* out = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        const GifByteType* in =
            frame.Indexes.data() + static_cast<std::size_t>(y - frame.Top) * frame.Width;
        for (int x = x0; x < x1; ++x) {
            const int index = in[x - frame.Left];
            if (index != transparent) out[x] = ColourOf(map, index);
        }
    }
}

void ClearArea(QImage& canvas, const RawFrame& frame) {
    const int x0 = std::max(0, frame.Left), y0 = std::max(0, frame.Top);
    const int x1 = std::min(canvas.width(), frame.Left + frame.Width);
    const int y1 = std::min(canvas.height(), frame.Top + frame.Height);
    for (int y = y0; y < y1; ++y) {
        auto* out = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        std::fill(out + x0, out + std::max(x0, x1), qRgba(0, 0, 0, 0));
    }
}

// Decodes up to `maxFrames` frames. Returns what was complete; `error` tells why it stopped
// early, or is empty when the file was read to its end.
std::vector<GifFrame> DecodeFrames(const unsigned char* data, std::size_t size,
                                   std::size_t maxFrames, std::string& error) {
    error.clear();
    std::vector<GifFrame> frames;
    if (data == nullptr || size == 0) {
        error = "The GIF file is empty";
        return frames;
    }
    ByteSource source{data, size};
    int openError = 0;
    GifHandle gif(DGifOpen(&source, ReadFromBuffer, &openError));
    if (!gif) {
        error = GifMessage(openError);
        return frames;
    }
    const int width = gif->SWidth, height = gif->SHeight;
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > MaxPicturePixels) {
        error = "GIF error: the picture is too large to show (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)";
        return frames;
    }

    QImage canvas;  // allocated once the first frame has arrived whole
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    std::int64_t pixelBudget = MaxPicturePixels;

    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
            // Many files stop right after their last frame without the closing byte.
            if (!frames.empty() && source.Position >= source.Size) return frames;
            error = GifMessage(gif->Error);
            return frames;
        }
        if (type == TERMINATE_RECORD_TYPE) return frames;

        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) {
                error = GifMessage(gif->Error);
                return frames;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4)
                DGifExtensionToGCB(block[0], block + 1, &control);
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) {
                    error = GifMessage(gif->Error);
                    return frames;
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            error = GifMessage(D_GIF_ERR_WRONG_RECORD);
            return frames;
        }

        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
            error = GifMessage(gif->Error);
            return frames;
        }
        RawFrame frame;
        const GifImageDesc& desc = gif->Image;
        if (desc.Width <= 0 || desc.Height <= 0) {
            if (!SkipFrameData(gif.get())) {
                error = GifMessage(gif->Error);
                return frames;
            }
            control = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
            continue;
        }
        if (static_cast<std::int64_t>(desc.Width) * desc.Height > MaxPicturePixels) {
            error = "GIF error: a frame is too large to show";
            return frames;
        }
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
        if (!ReadFrameRows(gif.get(), frame)) {
            error = GifMessage(gif->Error);
            return frames;
        }

        if (canvas.isNull()) {
            canvas = QImage(width, height, QImage::Format_ARGB32);
            if (canvas.isNull()) {
                error = "GIF error: not enough memory for the picture";
                return frames;
            }
            canvas.fill(Qt::transparent);
        }
        const QImage before = control.DisposalMode == DISPOSE_PREVIOUS ? canvas.copy() : QImage();
        Compose(canvas, frame, map, control.TransparentColor);

        pixelBudget -= static_cast<std::int64_t>(width) * height;
        if (pixelBudget < 0) return frames;  // enough of a long animation
        frames.push_back({canvas.copy(), control.DelayTime * 10});
        if (frames.size() >= maxFrames) return frames;

        if (control.DisposalMode == DISPOSE_BACKGROUND)
            ClearArea(canvas, frame);
        else if (control.DisposalMode == DISPOSE_PREVIOUS)
            canvas = before;
        control = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    }
}

}  // namespace

QImage DecodeGif(const unsigned char* data, std::size_t size, std::string& error) {
    std::vector<GifFrame> frames = DecodeFrames(data, size, 1, error);
    if (frames.empty()) {
        if (error.empty()) error = "GIF error: the file holds no picture";
        return {};
    }
    error.clear();
    return frames.front().Image;
}

std::vector<GifFrame> DecodeGifFrames(const unsigned char* data, std::size_t size,
                                      std::string& error) {
    std::vector<GifFrame> frames = DecodeFrames(data, size, SIZE_MAX, error);
    if (frames.empty() && error.empty()) error = "GIF error: the file holds no picture";
    return frames;
}
