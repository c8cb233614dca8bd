// Compressed reply bodies unpacked a slice at a time.
#include <gtest/gtest.h>

#include <optional>

#include "support/CompressedBodies.h"
#include "transfer/ReplyDecoder.h"

namespace {

std::string Page() {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "<p>line " + std::to_string(i) + "</p>\n";
    return text;
}

// Feeds the body in pieces and unpacks each piece in slices of at most `most` bytes; nothing
// when the decoder refuses the bytes.
std::optional<std::string> UnpackAll(ReplyDecoder& decoder, const std::string& body,
                                     std::size_t piece, std::size_t most) {
    std::string out;
    for (std::size_t at = 0; at < body.size(); at += piece) {
        decoder.Feed(std::string_view(body).substr(at, piece));
        while (decoder.HasInput()) {
            const std::size_t before = out.size();
            if (!decoder.Unpack(out, most)) return std::nullopt;
            EXPECT_LE(out.size() - before, most);
        }
    }
    return out;
}

struct Case {
    const char* Name;
    std::string ContentEncoding;
    std::string Body;
    std::optional<std::string> Unpacked;  // nothing: the decoder refuses the bytes
};

class ReplyDecoderTest : public ::testing::TestWithParam<Case> {};

TEST_P(ReplyDecoderTest, UnpacksWhatTheCodingSays) {
    const Case& c = GetParam();
    std::string error;
    auto decoder = ReplyDecoder::For(c.ContentEncoding, error);
    ASSERT_TRUE(decoder) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(UnpackAll(*decoder, c.Body, 1000, 4096), c.Unpacked);
    EXPECT_EQ(decoder->Error().empty(), c.Unpacked.has_value());
}

const std::string kPage = Page();

INSTANTIATE_TEST_SUITE_P(
    Codings, ReplyDecoderTest,
    ::testing::Values(
        Case{"gzip", "gzip", Packed(kPage, Packing::Gzip), kPage},
        Case{"x_gzip_in_capitals", "X-GZIP", Packed(kPage, Packing::Gzip), kPage},
        Case{"deflate_as_zlib", "deflate", Packed(kPage, Packing::Zlib), kPage},
        Case{"deflate_without_zlib_header", "deflate", Packed(kPage, Packing::BareDeflate), kPage},
        Case{"identity_beside_gzip", "identity, gzip", Packed(kPage, Packing::Gzip), kPage},
        Case{"bytes_after_the_stream_ignored", "gzip", Packed(kPage, Packing::Gzip) + "junk",
             kPage},
        Case{"not_gzip_at_all", "gzip", kPage, std::nullopt},
        Case{"damaged_in_the_middle", "gzip",
             Packed(kPage, Packing::Gzip).replace(500, 40, 40, '\x55'), std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ReplyDecoder, CodingsThatAreNoneOrCannotBeUnpacked) {
    struct Named {
        const char* ContentEncoding;
        bool Decoder;
        std::string Error;
    } cases[] = {
        {"", false, ""},
        {"identity", false, ""},
        {"br", false, "Reply in an encoding that cannot be unpacked (br)"},
        {"gzip, gzip", false, "Reply in an encoding that cannot be unpacked (gzip, gzip)"},
        {"gzip, br", false, "Reply in an encoding that cannot be unpacked (gzip, br)"},
    };
    for (const Named& c : cases) {
        SCOPED_TRACE(c.ContentEncoding);
        std::string error;
        EXPECT_EQ(ReplyDecoder::For(c.ContentEncoding, error) != nullptr, c.Decoder);
        EXPECT_EQ(error, c.Error);
    }
}

// A thousandfold reply comes out in slices of the size asked for, however much one piece of
// input holds.
TEST(ReplyDecoder, BombUnpacksInSlicesOfTheSizeAskedFor) {
    const std::string bomb = GzipOfZeros(64 << 20);
    EXPECT_LT(bomb.size(), 100u * 1024);
    std::string error;
    auto decoder = ReplyDecoder::For("gzip", error);
    ASSERT_TRUE(decoder);
    decoder->Feed(bomb);
    std::string slice;
    std::size_t total = 0;
    while (decoder->HasInput()) {
        slice.clear();
        ASSERT_TRUE(decoder->Unpack(slice, 256 << 10)) << decoder->Error();
        ASSERT_LE(slice.size(), 256u << 10);
        ASSERT_EQ(slice.find_first_not_of('\0'), std::string::npos);
        total += slice.size();
    }
    EXPECT_EQ(total, 64u << 20);
}

}  // namespace
