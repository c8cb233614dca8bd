#include "support/CompressedBodies.h"

#include <zlib.h>

#include <stdexcept>

namespace {

// Compresses `in` with the stream as it stands (flush as given), appending to `out`.
void Deflate(z_stream& z, const std::string& in, int flush, std::string& out) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    char buffer[64 * 1024];
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        if (deflate(&z, flush) == Z_STREAM_ERROR) throw std::runtime_error("deflate failed");
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
}

int WindowBits(Packing packing) {
    switch (packing) {
        case Packing::Gzip:
            return MAX_WBITS + 16;
        case Packing::Zlib:
            return MAX_WBITS;
        case Packing::BareDeflate:
            return -MAX_WBITS;
    }
    return MAX_WBITS;
}

}  // namespace

std::string Packed(const std::string& bytes, Packing packing) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, WindowBits(packing), 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out;
    Deflate(z, bytes, Z_FINISH, out);
    deflateEnd(&z);
    return out;
}

std::string GzipOfZeros(std::int64_t bytes) {
    constexpr std::int64_t kMiB = 1 << 20;
    if (bytes <= 0 || bytes % kMiB != 0) throw std::invalid_argument("whole MiB only");
    const std::string zeros(kMiB, '\0');
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY);
    // After a full flush the compressor starts afresh, so every further MiB compresses to the
    // same bytes: the first call gives the gzip header and one MiB, the second one MiB alone.
    std::string first, block, end;
    Deflate(z, zeros, Z_FULL_FLUSH, first);
    Deflate(z, zeros, Z_FULL_FLUSH, block);
    Deflate(z, {}, Z_FINISH, end);
    deflateEnd(&z);
    end.resize(end.size() - 8);  // the trailer for two MiB; the real one follows
    std::string out = first;
    const std::int64_t mibs = bytes / kMiB;
    out.reserve(first.size() + static_cast<std::size_t>(mibs) * block.size() + end.size() + 8);
    const uLong mibCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), kMiB);
    uLong crc = mibCrc;
    for (std::int64_t i = 1; i < mibs; ++i) {
        out += block;
        crc = crc32_combine(crc, mibCrc, kMiB);
    }
    out += end;
    const std::uint32_t size = static_cast<std::uint32_t>(bytes);  // modulo 2^32, as gzip says
    for (const std::uint32_t word : {static_cast<std::uint32_t>(crc), size})
        for (int shift = 0; shift < 32; shift += 8)
            out += static_cast<char>((word >> shift) & 0xff);
    return out;
}
