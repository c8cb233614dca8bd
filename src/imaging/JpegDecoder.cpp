// clang-format off
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared before it
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
// clang-format on

#include "imaging/PictureDecoders.h"

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. We jump back to the
// decoding function; it keeps no C++ objects with destructors alive across the jump.
struct JpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Escape;
    char Message[JMSG_LENGTH_MAX];
    bool Truncated;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->Message);
    std::longjmp(manager->Escape, 1);
}

// Warnings go nowhere, except that running out of data is remembered: libjpeg would pad the
// rest of the picture with grey and call the result good.
void OnJpegMessage(j_common_ptr cinfo, int level) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) manager->Truncated = true;
}

void CmykRowToRgbx(unsigned char* row, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x) {
        unsigned char* p = row + 4 * x;
        int c = p[0], m = p[1], y = p[2], k = p[3];
        if (inverted) {  // Adobe writes CMYK inverted; then these are already 255 - ink
            p[0] = static_cast<unsigned char>(c * k / 255);
            p[1] = static_cast<unsigned char>(m * k / 255);
            p[2] = static_cast<unsigned char>(y * k / 255);
        } else {
            p[0] = static_cast<unsigned char>((255 - c) * (255 - k) / 255);
            p[1] = static_cast<unsigned char>((255 - m) * (255 - k) / 255);
            p[2] = static_cast<unsigned char>((255 - y) * (255 - k) / 255);
        }
        p[3] = 255;
    }
}

// The part that libjpeg may jump out of. `image` lives in the caller's frame so that a jump
// never skips a destructor here. Returns false with the message in the error manager.
bool DecodeJpegInto(jpeg_decompress_struct& cinfo, JpegErrorManager& errors,
                    const unsigned char* data, std::size_t size, QImage& image) {
    if (setjmp(errors.Escape)) return false;

    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBX;
    jpeg_calc_output_dimensions(&cinfo);
    const std::int64_t pixels = static_cast<std::int64_t>(cinfo.output_width) * cinfo.output_height;
    if (cinfo.output_width == 0 || cinfo.output_height == 0 || pixels > MaxPicturePixels) {
        std::snprintf(errors.Message, sizeof errors.Message,
                      "The picture is too large to show (%u x %u pixels)", cinfo.output_width,
                      cinfo.output_height);
        return false;
    }

    jpeg_start_decompress(&cinfo);
    image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                   QImage::Format_RGBX8888);
    if (image.isNull()) {
        std::snprintf(errors.Message, sizeof errors.Message, "Not enough memory for the picture");
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (cmyk) CmykRowToRgbx(row, cinfo.output_width, cinfo.saw_Adobe_marker);
        if (errors.Truncated) break;
    }
    if (errors.Truncated) {
        std::snprintf(errors.Message, sizeof errors.Message,
                      "Premature end of JPEG file: the picture is incomplete");
        return false;
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size, std::string& error) {
    error.clear();
    if (data == nullptr || size == 0) {
        error = "The JPEG file is empty";
        return {};
    }
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    JpegErrorManager errors;
    std::memset(&errors, 0, sizeof errors);
    cinfo.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = OnJpegError;
    errors.Base.emit_message = OnJpegMessage;

    QImage image;
    const bool ok = DecodeJpegInto(cinfo, errors, data, size, image);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        error = std::string("JPEG error: ") + errors.Message;
        return {};
    }
    return image;
}
