// Enhanced metafiles through libemf2svg. The converter trusts the records it is given: it reads
// each record's fields by the record's type, whatever size the record claims. So every record is
// checked here first (its size against the file, and its inner counts and offsets against its
// size), and the converter only ever sees a file that passed.

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/MetafileConversion.h"

// clang-format off
#include <emf2svg.h>
#include <uemf_safe.h>
#include <locale.h>
// clang-format on

namespace {

constexpr std::uint32_t HeaderRecord = 1;
constexpr std::uint32_t EndRecord = 14;
constexpr std::uint32_t LastRecordType = 122;
constexpr std::size_t HeaderSize = 88;
// The converter reads a record's type and size before it knows where the file ends.
constexpr std::size_t Padding = 64;

std::uint32_t Little32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::int32_t Signed32(const unsigned char* p) {
    return static_cast<std::int32_t>(Little32(p));
}

// The length of the records up to and including the end record, or 0 with a message.
std::size_t CheckRecords(const std::vector<char>& file, std::size_t size, std::string& error) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    std::size_t at = 0;
    while (true) {
        if (size - at < 8) {
            error = "EMF error: the file ends before the picture is complete";
            return 0;
        }
        const std::uint32_t type = Little32(bytes + at);
        const std::uint32_t length = Little32(bytes + at + 4);
        if (length > size - at) {
            error = "EMF error: the file ends before the picture is complete";
            return 0;
        }
        const bool misplacedHeader = (at == 0) != (type == HeaderRecord);
        // Types beyond the format's last are skipped by the converter, and the check would
        // only complain about them on standard error.
        const bool known = type <= LastRecordType;
        if (length < 8 || length % 4 != 0 || misplacedHeader ||
            (known && U_emf_record_safe(file.data() + at) == 0)) {
            error = "EMF error: the picture is not valid (a damaged record)";
            return 0;
        }
        at += length;
        if (type == EndRecord) return at;
    }
}

// Numbers in the SVG are written with printf: under a locale with a decimal comma they would
// not read back. The C locale is set for this thread only, while the converter runs.
class ClassicNumbers {
  public:
    ClassicNumbers() : classic_(newlocale(LC_ALL_MASK, "C", nullptr)) {
        if (classic_ != nullptr) previous_ = uselocale(classic_);
    }
    ~ClassicNumbers() {
        if (classic_ == nullptr) return;
        uselocale(previous_);
        freelocale(classic_);
    }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

  private:
    locale_t classic_;
    locale_t previous_ = nullptr;
};

}  // namespace

// The converter looks fonts up through fontconfig and then shuts fontconfig down for the whole
// process, while Qt still holds its fonts: the next text record aborts inside fontconfig. This
// definition takes the place of fontconfig's own for every library in the process, so the
// shutdown becomes a no-op; fontconfig's memory is freed with the process as it would be anyway.
extern "C" void FcFini() {}

bool ConvertEmfToSvg(const unsigned char* data, std::size_t size, EmfDrawing& drawing,
                     std::string& error) {
    drawing = {};
    error.clear();
    if (data == nullptr || size < HeaderSize) {
        error = "EMF error: the file ends before the picture is complete";
        return false;
    }
    if (Little32(data) != HeaderRecord || std::memcmp(data + 40, " EMF", 4) != 0) {
        error = "EMF error: the picture is not valid (no metafile header)";
        return false;
    }
    std::vector<char> file(data, data + size);
    file.resize(size + Padding, '\0');
    const std::size_t length = CheckRecords(file, size, error);
    if (length == 0) return false;

    // Bounds are inclusive device pixels: left, top, right, bottom.
    const auto* header = reinterpret_cast<const unsigned char*>(file.data());
    const double width = static_cast<double>(Signed32(header + 16)) - Signed32(header + 8) + 1;
    const double height = static_cast<double>(Signed32(header + 20)) - Signed32(header + 12) + 1;
    drawing.Canvas = FitMetafileCanvas(width, height);
    if (drawing.Canvas.Width <= 0 || width < 2 || height < 2) {
        drawing.Canvas = {};
        error = "EMF error: the picture has no size";
        return false;
    }
    // The description is not needed, and the converter reads it up to a terminating zero
    // wherever that may be.
    std::memset(file.data() + 60, 0, 8);

    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.nameSpace = nullptr;
    options.svgDelimiter = true;
    // EMF+ records travel inside comments that the record check cannot look into; the plain
    // records that such files carry beside them are drawn instead.
    options.emfplus = false;
    char* svg = nullptr;
    std::size_t svgLength = 0;
    int converted = 0;
    {
        ClassicNumbers numbers;
        converted = emf2svg(file.data(), length, &svg, &svgLength, &options);
    }
    if (svg != nullptr) {
        if (converted != 0) drawing.Svg.assign(svg, svgLength);
        std::free(svg);
    }
    if (converted == 0 || drawing.Svg.empty()) {
        drawing = {};
        error = "EMF error: the picture is not valid";
        return false;
    }
    // Every element opens with '<'; counting them all over-counts a little, which errs on the
    // side of a quick drawing.
    const auto elements =
        std::max<std::int64_t>(1, std::count(drawing.Svg.begin(), drawing.Svg.end(), '<'));
    drawing.Canvas = FitMetafileCanvas(width, height, MaxMetafileWork / elements);
    return true;
}
