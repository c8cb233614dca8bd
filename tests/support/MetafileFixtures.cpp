#include "support/MetafileFixtures.h"

#include <algorithm>
#include <cstdint>

namespace {

void Put16(std::string& out, int value) {
    const auto v = static_cast<std::uint16_t>(value);
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::int64_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 0xff);
}

// A colour as metafiles store it: 0x00BBGGRR.
std::uint32_t ColorRef(QRgb c) {
    return static_cast<std::uint32_t>(qRed(c)) | (qGreen(c) << 8) | (qBlue(c) << 16);
}

// One WMF record: its size in 16-bit words, its function number, then its parameters.
void WmfRecord(std::string& out, int function, const std::vector<int>& words) {
    Put32(out, 3 + static_cast<std::int64_t>(words.size()));
    Put16(out, function);
    for (int w : words) Put16(out, w);
}

void EmfRecord(std::string& out, int type, const std::vector<std::int64_t>& values) {
    Put32(out, type);
    Put32(out, 8 + 4 * static_cast<std::int64_t>(values.size()));
    for (auto v : values) Put32(out, v);
}

}  // namespace

std::string EncodeWmf(int width, int height, const std::vector<MetafileBox>& boxes, bool placeable,
                      int outlineWidth) {
    std::string records;
    WmfRecord(records, 0x020B, {0, 0});           // window origin (y, x)
    WmfRecord(records, 0x020C, {height, width});  // window extent (y, x)
    if (outlineWidth > 0)
        WmfRecord(records, 0x02FA, {0, outlineWidth, 0, 0, 0});  // a black pen in slot 0
    else
        WmfRecord(records, 0x02FA, {5, 0, 0, 0, 0});  // a null pen in slot 0
    WmfRecord(records, 0x012D, {0});              // selected
    for (const MetafileBox& box : boxes) {
        const std::uint32_t color = ColorRef(box.Fill);
        // A solid brush in slot 1, drawn with, then deleted.
        WmfRecord(records, 0x02FC,
                  {0, static_cast<int>(color & 0xffff), static_cast<int>(color >> 16), 0});
        WmfRecord(records, 0x012D, {1});
        const QRect& r = box.Area;
        WmfRecord(records, 0x041B, {r.y() + r.height(), r.x() + r.width(), r.y(), r.x()});
        WmfRecord(records, 0x01F0, {1});
    }
    WmfRecord(records, 0x0000, {});  // end of file

    std::string out;
    if (placeable) {
        std::string head;
        Put32(head, 0x9AC6CDD7);
        for (int word : {0, 0, 0, width, height, 96, 0, 0}) Put16(head, word);
        int checksum = 0;
        for (std::size_t i = 0; i < head.size(); i += 2)
            checksum ^= static_cast<unsigned char>(head[i]) |
                        (static_cast<unsigned char>(head[i + 1]) << 8);
        Put16(head, checksum);
        out += head;
    }
    Put16(out, 1);       // in memory
    Put16(out, 9);       // header words
    Put16(out, 0x0300);  // version
    Put32(out, static_cast<std::int64_t>((18 + records.size()) / 2));
    Put16(out, 2);  // objects
    Put32(out, 8);  // largest record, in words
    Put16(out, 0);
    return out + records;
}

std::string EncodeEmf(int width, int height, const std::vector<MetafileBox>& boxes) {
    std::string records;
    for (const MetafileBox& box : boxes) {
        const QRect& r = box.Area;
        EmfRecord(records, 39, {1, 0, ColorRef(box.Fill), 0});  // solid brush as object 1
        EmfRecord(records, 37, {1});                            // selected
        EmfRecord(records, 37, {0x80000008});                   // the stock null pen
        EmfRecord(records, 43, {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()});
        EmfRecord(records, 40, {1});  // deleted
    }
    EmfRecord(records, 14, {0, 16, 20});  // end of file
    const std::int64_t recordCount = 1 + 5 * static_cast<std::int64_t>(boxes.size()) + 1;

    std::string out;
    const std::int64_t headerSize = 88;
    Put32(out, 1);
    Put32(out, headerSize);
    for (std::int64_t v : {0, 0, width - 1, height - 1}) Put32(out, v);  // bounds, inclusive
    // The frame in hundredths of a millimetre.
    for (std::int64_t v : {0, 0, (width * 2540 + 48) / 96, (height * 2540 + 48) / 96})
        Put32(out, v);
    out += " EMF";
    Put32(out, 0x10000);
    Put32(out, headerSize + static_cast<std::int64_t>(records.size()));
    Put32(out, recordCount);
    Put16(out, 2);  // handles: the reserved zero and the brush
    Put16(out, 0);
    for (std::int64_t v : {0, 0, 0}) Put32(out, v);              // no description, no palette
    for (std::int64_t v : {1024, 768, 271, 203}) Put32(out, v);  // device: pixels, millimetres
    return out + records;
}

std::string EncodeWmfText(int width, int height, const std::string& text, int textHeight) {
    std::string wmf = EncodeWmf(width, height, {});
    std::string records;
    // A font record: height (negative: the character height), width, escapement, orientation,
    // weight, then eight single bytes and the face name.
    std::string font;
    for (int word : {-textHeight, 0, 0, 0, 400}) Put16(font, word);
    font += std::string(8, '\0');
    font += "Arial";
    font += std::string(font.size() % 2 == 0 ? 2 : 1, '\0');
    Put32(records, 3 + static_cast<std::int64_t>(font.size() / 2));
    Put16(records, 0x02FB);
    records += font;
    WmfRecord(records, 0x012D, {1});     // the font, in the slot the brushes used
    WmfRecord(records, 0x012E, {0x18});  // text aligned at its top left, as the origin moves
    std::string chars = text;
    if (chars.size() % 2 != 0) chars += '\0';
    const std::int64_t textWords = 3 + 1 + static_cast<std::int64_t>(chars.size() / 2) + 2;
    Put32(records, textWords);
    Put16(records, 0x0521);  // text out: length, characters, y, x
    Put16(records, static_cast<int>(text.size()));
    records += chars;
    Put16(records, 4);
    Put16(records, 4);
    // Before the end record (its 6 bytes), with the file size and the largest record, both in
    // words, mended.
    wmf.insert(wmf.size() - 6, records);
    const std::size_t header = 22;  // the placeable header
    std::string size, largest;
    Put32(size, static_cast<std::int64_t>((wmf.size() - header) / 2));
    Put32(largest,
          std::max<std::int64_t>(3 + static_cast<std::int64_t>(font.size() / 2), textWords));
    wmf.replace(header + 6, 4, size);
    wmf.replace(header + 12, 4, largest);
    return wmf;
}

std::string EncodeEmfText(int width, int height, const std::string& text, int textHeight,
                          bool glyphIndices) {
    std::string emf = EncodeEmf(width, height, {});
    std::string records;
    // A font as object 1: height, width, escapement, orientation, weight, eight bytes, and a
    // face name of 32 UTF-16 units.
    std::string font;
    Put32(font, 1);
    for (std::int64_t v : {-textHeight, 0, 0, 0, 400}) Put32(font, v);
    font += std::string(8, '\0');
    std::string face;
    for (char c : std::string("DejaVu Sans")) {
        face += c;
        face += '\0';
    }
    font += face + std::string(64 - face.size(), '\0');
    Put32(records, 82);
    Put32(records, 8 + static_cast<std::int64_t>(font.size()));
    records += font;
    EmfRecord(records, 37, {1});         // the font selected
    EmfRecord(records, 22, {0});         // text aligned at its top left
    EmfRecord(records, 24, {0x000000});  // black text
    EmfRecord(records, 18, {1});         // transparent background
    // Text out: bounds, graphics mode, scales, then the text: reference point, length, string
    // offset, options (no clipping rectangle), spacing offset; the characters, then spacings.
    std::string chars;
    for (char c : text) {
        chars += c;
        chars += '\0';
    }
    while (chars.size() % 4 != 0) chars += '\0';
    const std::int64_t stringAt = 8 + 16 + 12 + 20 + 4;
    const std::int64_t spacingAt = stringAt + static_cast<std::int64_t>(chars.size());
    std::string out;
    for (std::int64_t v : {0, 0, width, height}) Put32(out, v);
    Put32(out, 1);
    Put32(out, 0x3F800000);  // 1.0f
    Put32(out, 0x3F800000);
    for (std::int64_t v :
         std::initializer_list<std::int64_t>{4, 4, static_cast<std::int64_t>(text.size()), stringAt,
                                             0x100 | (glyphIndices ? 0x10 : 0), spacingAt})
        Put32(out, v);
    out += chars;
    for (std::size_t i = 0; i < text.size(); ++i) Put32(out, textHeight * 6 / 10);
    Put32(records, 84);
    Put32(records, 8 + static_cast<std::int64_t>(out.size()));
    records += out;
    // Before the end record (20 bytes); the header's byte and record counts mended.
    emf.insert(emf.size() - 20, records);
    std::string total, count;
    Put32(total, static_cast<std::int64_t>(emf.size()));
    Put32(count, 7);
    emf.replace(48, 4, total);
    emf.replace(52, 4, count);
    return emf;
}

std::vector<MetafileBox> QuadrantBoxes(int width, int height) {
    const int w = width / 2, h = height / 2;
    return {{QRect(0, 0, w, h), qRgb(255, 0, 0)},
            {QRect(w, 0, width - w, h), qRgb(0, 255, 0)},
            {QRect(0, h, w, height - h), qRgb(0, 0, 255)},
            {QRect(w, h, width - w, height - h), qRgb(255, 255, 255)}};
}
