// Windows metafiles through libwmf's raster device. The device can hand over its canvas, but not
// a way to free it afterwards, so the canvas comes back as PNG bytes through the device's sink;
// everything else libwmf allocates goes through an account of our own and is freed with its API
// handle.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/MetafileConversion.h"

// clang-format off
#include <libwmf/api.h>
#include <libwmf/gd.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>
// clang-format on

namespace {

// Every block carries its size in front, so that freeing and growing keep the account right.
constexpr std::size_t BlockHeader = alignof(std::max_align_t);

struct MemoryAccount {
    std::size_t Used = 0;
    std::size_t Limit = MaxMetafileMemory;
};

std::size_t& SizeOfBlock(void* block) {
    return *reinterpret_cast<std::size_t*>(static_cast<char*>(block) - BlockHeader);
}

void* AccountedMalloc(void* context, std::size_t size) {
    auto* account = static_cast<MemoryAccount*>(context);
    if (size > account->Limit - account->Used) return nullptr;
    char* raw = static_cast<char*>(std::malloc(BlockHeader + size));
    if (raw == nullptr) return nullptr;
    account->Used += size;
    *reinterpret_cast<std::size_t*>(raw) = size;
    return raw + BlockHeader;
}

void AccountedFree(void* context, void* block) {
    if (block == nullptr) return;
    auto* account = static_cast<MemoryAccount*>(context);
    account->Used -= SizeOfBlock(block);
    std::free(static_cast<char*>(block) - BlockHeader);
}

void* AccountedRealloc(void* context, void* block, std::size_t size) {
    if (block == nullptr) return AccountedMalloc(context, size);
    auto* account = static_cast<MemoryAccount*>(context);
    const std::size_t old = SizeOfBlock(block);
    if (size > old && size - old > account->Limit - account->Used) return nullptr;
    char* raw = static_cast<char*>(
        std::realloc(static_cast<char*>(block) - BlockHeader, BlockHeader + size));
    if (raw == nullptr) return nullptr;
    account->Used = account->Used - old + size;
    *reinterpret_cast<std::size_t*>(raw) = size;
    return raw + BlockHeader;
}

struct Deadline {
    std::chrono::steady_clock::time_point End;
    bool Passed = false;
};

// Called by the player after every record; non-zero stops it.
int StopWhenLate(void* context, float /*fraction*/) {
    auto* deadline = static_cast<Deadline*>(context);
    if (std::chrono::steady_clock::now() > deadline->End) deadline->Passed = true;
    return deadline->Passed ? 1 : 0;
}

// The device draws within one record without looking at the deadline, and some records cost
// far more than their bytes suggest. A thick line is drawn by stamping a square of the pen's
// width at every pixel of it, so one line costs its length times the square of the width: a
// pen as wide as a record can ask for kept the device on one rectangle for minutes. Text is
// drawn glyph by glyph, pixel by pixel. The device's drawing functions therefore go through
// ours, which bound each record's work first.
//
// The widest pen drawn, in pixels of the canvas: no picture needs more.
constexpr double kMaxPenPixels = 64;
// The glyph pixels of one text record, about a second of drawing: a page of text at any
// readable size stays far below it.
constexpr double kMaxTextPixels = 64.0 * 1024 * 1024;

struct DeviceDrawing {
    wmfFunctionReference Original{};  // the device's own functions
    Deadline* Late = nullptr;
};

DeviceDrawing& DrawingOf(wmfAPI* api) {
    return *static_cast<DeviceDrawing*>(api->user_data);
}

// Pixels of the canvas per unit of the player's coordinates.
struct CanvasScale {
    double X = 0;
    double Y = 0;
};

// False once the deadline has passed: the record is then skipped, and the player stops after it.
bool MayDraw(wmfAPI* api, CanvasScale& scale) {
    Deadline& late = *DrawingOf(api).Late;
    if (!late.Passed && std::chrono::steady_clock::now() > late.End) late.Passed = true;
    if (late.Passed) return false;
    const wmf_gd_t* device = WMF_GD_GetData(api);
    scale.X = device->width / (device->bbox.BR.x - device->bbox.TL.x);
    scale.Y = device->height / (device->bbox.BR.y - device->bbox.TL.y);
    return true;
}

template <typename Size>
void Bound(Size& size, double limit) {
    if (!(size <= limit)) size = static_cast<Size>(limit);  // NaN too
}

template <typename Record, void (*wmfFunctionReference::*Slot)(wmfAPI*, Record*)>
void BoundedStroke(wmfAPI* api, Record* record) {
    CanvasScale scale;
    if (!MayDraw(api, scale)) return;
    if (record->dc != nullptr && record->dc->pen != nullptr) {
        Bound(WMF_PEN_WIDTH(record->dc->pen), kMaxPenPixels / scale.X);
        Bound(WMF_PEN_HEIGHT(record->dc->pen), kMaxPenPixels / scale.Y);
    }
    (DrawingOf(api).Original.*Slot)(api, record);
}

// A region's frame has a thickness of its own.
void BoundedFrame(wmfAPI* api, wmfPolyRectangle_t* frame) {
    CanvasScale scale;
    if (!MayDraw(api, scale)) return;
    Bound(frame->width, kMaxPenPixels / scale.X);
    Bound(frame->height, kMaxPenPixels / scale.Y);
    DrawingOf(api).Original.region_frame(api, frame);
}

// Too much text is drawn smaller. A font of no height (whose width then makes an endless width
// to height ratio) shows nothing, and kept the device busy for minutes: it is not drawn.
void BoundedText(wmfAPI* api, wmfDrawText_t* text) {
    CanvasScale scale;
    if (!MayDraw(api, scale)) return;
    if (!(text->font_height > 0) || !std::isfinite(text->font_height) || !(text->font_ratio > 0) ||
        !std::isfinite(text->font_ratio) || text->str == nullptr)
        return;
    const double high = text->font_height * scale.Y;
    const double pixels = high * high * std::max(text->font_ratio, 1.0) *
                          static_cast<double>(std::max<std::size_t>(std::strlen(text->str), 1));
    if (pixels > kMaxTextPixels) text->font_height *= std::sqrt(kMaxTextPixels / pixels);
    DrawingOf(api).Original.draw_text(api, text);
}

void BoundDrawing(wmfAPI* api, DeviceDrawing& drawing) {
    auto* table = static_cast<wmfFunctionReference*>(api->function_reference);
    drawing.Original = *table;
    api->user_data = &drawing;
    using R = wmfFunctionReference;
    table->draw_pie = BoundedStroke<wmfDrawArc_t, &R::draw_pie>;
    table->draw_chord = BoundedStroke<wmfDrawArc_t, &R::draw_chord>;
    table->draw_arc = BoundedStroke<wmfDrawArc_t, &R::draw_arc>;
    table->draw_ellipse = BoundedStroke<wmfDrawArc_t, &R::draw_ellipse>;
    table->draw_line = BoundedStroke<wmfDrawLine_t, &R::draw_line>;
    table->poly_line = BoundedStroke<wmfPolyLine_t, &R::poly_line>;
    table->draw_polygon = BoundedStroke<wmfPolyLine_t, &R::draw_polygon>;
    table->draw_polypolygon = BoundedStroke<wmfPolyPoly_t, &R::draw_polypolygon>;
    table->draw_rectangle = BoundedStroke<wmfDrawRectangle_t, &R::draw_rectangle>;
    table->region_frame = BoundedFrame;
    table->draw_text = BoundedText;
}

int CollectPng(void* context, char* buffer, int length) {
    if (length > 0) static_cast<std::string*>(context)->append(buffer, length);
    return length;
}

std::string Describe(wmf_error_t code) {
    switch (code) {
        case wmf_E_InsMem:
            return "WMF error: the picture needs more memory than it may have";
        case wmf_E_EOF:
            return "WMF error: the file ends before the picture is complete";
        case wmf_E_BadFile:
        case wmf_E_BadFormat:
            return "WMF error: the picture is not valid";
        default:
            return "WMF error: the picture could not be drawn";
    }
}

// Owns the API handle and the input it reads from.
class WmfPlayer {
  public:
    WmfPlayer(const unsigned char* data, std::size_t size) : input_(data, data + size) {}
    ~WmfPlayer() {
        if (api_ == nullptr) return;
        if (opened_) wmf_mem_close(api_);
        wmf_api_destroy(api_);
    }
    WmfPlayer(const WmfPlayer&) = delete;
    WmfPlayer& operator=(const WmfPlayer&) = delete;

    bool Draw(std::string& png, std::string& error, std::chrono::milliseconds timeLimit) {
        wmfAPI_Options options;
        std::memset(&options, 0, sizeof options);
        options.context = &account_;
        options.malloc = AccountedMalloc;
        options.realloc = AccountedRealloc;
        options.free = AccountedFree;
        options.function = wmf_gd_function;
        const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL |
                                    WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&api_, flags, &options) != wmf_E_None || api_ == nullptr) {
            api_ = nullptr;
            error = "WMF error: the drawing library could not start (are its fonts installed?)";
            return false;
        }
        deadline_.End = std::chrono::steady_clock::now() + timeLimit;
        wmf_status_function(api_, &deadline_, StopWhenLate);
        drawing_.Late = &deadline_;
        BoundDrawing(api_, drawing_);

        wmf_gd_t* device = WMF_GD_GetData(api_);
        device->type = wmf_gd_png;
        device->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
        device->sink.context = &png;
        device->sink.function = CollectPng;

        if (!Check(wmf_mem_open(api_, input_.data(), static_cast<long>(input_.size())), error))
            return false;
        opened_ = true;
        wmfD_Rect box;
        if (!Check(wmf_scan(api_, 0, &box), error)) return false;
        unsigned int width = 0, height = 0;
        if (!Check(wmf_display_size(api_, &width, &height, 96, 96), error)) return false;
        const MetafileCanvas canvas = FitMetafileCanvas(width, height);
        if (canvas.Width <= 0 || !(box.BR.x > box.TL.x) || !(box.BR.y > box.TL.y)) {
            error = "WMF error: the picture has no size";
            return false;
        }
        device->bbox = box;
        device->width = static_cast<unsigned int>(canvas.Width);
        device->height = static_cast<unsigned int>(canvas.Height);
        png.clear();
        if (!Check(wmf_play(api_, 0, &box), error)) return false;
        if (png.empty()) {
            error = "WMF error: the picture could not be drawn";
            return false;
        }
        return true;
    }

  private:
    bool Check(wmf_error_t code, std::string& error) const {
        if (code == wmf_E_None) return true;
        error = deadline_.Passed || code == wmf_E_UserExit
                    ? "WMF error: the picture takes too long to draw"
                    : Describe(code);
        return false;
    }

    std::vector<unsigned char> input_;
    MemoryAccount account_;
    Deadline deadline_;
    DeviceDrawing drawing_;
    wmfAPI* api_ = nullptr;
    bool opened_ = false;
};

}  // namespace

bool DrawWmfAsPng(const unsigned char* data, std::size_t size, std::string& png, std::string& error,
                  std::chrono::milliseconds timeLimit) {
    png.clear();
    error.clear();
    if (data == nullptr || size == 0) {
        error = "WMF error: the file ends before the picture is complete";
        return false;
    }
    WmfPlayer player(data, size);
    if (player.Draw(png, error, timeLimit)) return true;
    png.clear();
    return false;
}
