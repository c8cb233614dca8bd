#pragma once

#include <zlib.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// Unpacks a reply body sent with Content-Encoding gzip or deflate, a slice at a time, so that
// the caller decides how much is unpacked at once: a few KB on the wire can unpack to gigabytes.
// The compressed bytes fed in are kept until they are used up.
class ReplyDecoder {
  public:
    // The codings asked for in Accept-Encoding: the ones this class unpacks.
    static constexpr const char* AcceptedCodings = "gzip, deflate";

    // The decoder for the codings named by a reply's Content-Encoding header (identity left
    // out); none when it names no coding. `error` tells a coding that cannot be unpacked.
    static std::unique_ptr<ReplyDecoder> For(std::string_view contentEncoding, std::string& error);
    ~ReplyDecoder();
    ReplyDecoder(const ReplyDecoder&) = delete;
    ReplyDecoder& operator=(const ReplyDecoder&) = delete;

    // Takes in the next compressed bytes; those fed before must have been used up.
    void Feed(std::string_view bytes);
    // Compressed bytes are waiting to be unpacked.
    bool HasInput() const { return used_ < input_.size(); }
    // Appends up to `most` unpacked bytes to `out`. False when the bytes are not what their
    // coding says (Error() tells zlib's words).
    bool Unpack(std::string& out, std::size_t most);
    const std::string& Error() const { return error_; }

  private:
    ReplyDecoder();

    z_stream stream_{};
    bool atStart_ = true;  // input_ begins with the stream's first byte
    bool bare_ = false;    // taken again as a bare deflate stream
    bool ended_ = false;   // the stream is complete; what follows it is ignored
    std::size_t unpacked_ = 0;
    std::string input_;
    std::size_t used_ = 0;
    std::string error_;
};
