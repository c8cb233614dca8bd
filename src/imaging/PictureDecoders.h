#pragma once

#include <QImage>
#include <cstddef>
#include <string>
#include <vector>

// Decoders for the picture formats the program shows. Each works on a byte buffer, never
// throws, and never trusts the data: a truncated or corrupt picture gives a null image and a
// message in `error` (a person can read it; it does not name the file).

// Pictures larger than this many pixels are refused rather than allocated: a 20-byte header
// may claim a 60 000 x 60 000 canvas.
inline constexpr std::int64_t MaxPicturePixels = 32 * 1024 * 1024;

// JPEG through libjpeg. Grey, colour and CMYK pictures come out as RGB.
QImage DecodeJpeg(const unsigned char* data, std::size_t size, std::string& error);

// One frame of an animated GIF, composed onto the full logical screen.
struct GifFrame {
    QImage Image;
    int DelayMs = 0;  // how long the frame stays, as the file asks (0: no delay given)
};

// GIF through giflib: the first frame, composed onto the logical screen, transparent where
// the file says so.
QImage DecodeGif(const unsigned char* data, std::size_t size, std::string& error);

// Every frame of a GIF, each already composed with the frames before it (disposal methods
// honoured). A file whose later frames are damaged keeps its complete frames; a file without
// a single complete frame gives none and an error. Frames beyond the pixel budget are dropped.
std::vector<GifFrame> DecodeGifFrames(const unsigned char* data, std::size_t size,
                                      std::string& error);

// Windows metafiles (WMF, placeable or not) through libwmf, on a white page at 96 dots per inch,
// scaled down when the page is larger than the metafile limits allow.
QImage DecodeWmf(const unsigned char* data, std::size_t size, std::string& error);

// Enhanced metafiles (EMF) through libemf2svg and Qt's SVG renderer, on a white page the size of
// the picture's bounds, scaled down in the same way.
QImage DecodeEmf(const unsigned char* data, std::size_t size, std::string& error);
