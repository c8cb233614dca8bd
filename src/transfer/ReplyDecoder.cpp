#include "transfer/ReplyDecoder.h"

#include "transfer/TransferText.h"

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsNoCase(std::string_view s, const char* name) {
    return s.size() == std::char_traits<char>::length(name) && StartsWithNoCase(s, name);
}

}  // namespace

std::unique_ptr<ReplyDecoder> ReplyDecoder::For(std::string_view contentEncoding,
                                                std::string& error) {
    error.clear();
    std::unique_ptr<ReplyDecoder> decoder;
    std::size_t at = 0;
    while (at <= contentEncoding.size()) {
        std::size_t comma = contentEncoding.find(',', at);
        if (comma == std::string_view::npos) comma = contentEncoding.size();
        const std::string_view coding = Trimmed(contentEncoding.substr(at, comma - at));
        at = comma + 1;
        if (coding.empty() || IsNoCase(coding, "identity")) continue;
        const bool known =
            IsNoCase(coding, "gzip") || IsNoCase(coding, "x-gzip") || IsNoCase(coding, "deflate");
        // Only gzip and deflate are asked for, and never one over the other.
        if (!known || decoder) {
            error = "Reply in an encoding that cannot be unpacked (" +
                    std::string(Trimmed(contentEncoding)) + ")";
            return nullptr;
        }
        decoder.reset(new ReplyDecoder());
    }
    return decoder;
}

ReplyDecoder::ReplyDecoder() {
    // A gzip or a zlib stream, told apart by their headers: "deflate" means zlib, but a server
    // may send either under either name.
    if (inflateInit2(&stream_, MAX_WBITS + 32) != Z_OK) error_ = "zlib cannot start";
}

ReplyDecoder::~ReplyDecoder() {
    inflateEnd(&stream_);
}

void ReplyDecoder::Feed(std::string_view bytes) {
    atStart_ = atStart_ && unpacked_ == 0 && input_.empty();
    input_.assign(bytes);
    used_ = 0;
}

bool ReplyDecoder::Unpack(std::string& out, std::size_t most) {
    if (!error_.empty()) return false;
    if (ended_) {
        used_ = input_.size();
        return true;
    }
    const std::size_t start = out.size();
    out.resize(start + most);
    stream_.next_in = reinterpret_cast<Bytef*>(input_.data() + used_);
    stream_.avail_in = static_cast<uInt>(input_.size() - used_);
    stream_.next_out = reinterpret_cast<Bytef*>(out.data() + start);
    stream_.avail_out = static_cast<uInt>(most);
    const int rc = inflate(&stream_, Z_NO_FLUSH);
    used_ = input_.size() - stream_.avail_in;
    const std::size_t made = most - stream_.avail_out;
    out.resize(start + made);
    unpacked_ += made;
    if (rc == Z_STREAM_END) {
        ended_ = true;
        used_ = input_.size();
        return true;
    }
    // Z_BUF_ERROR: all input used, more is needed.
    if (rc == Z_OK || rc == Z_BUF_ERROR) return true;
    if (rc == Z_DATA_ERROR && !bare_ && atStart_ && unpacked_ == 0) {
        // Some servers send "deflate" without the zlib header and checksum.
        bare_ = true;
        inflateReset2(&stream_, -MAX_WBITS);
        used_ = 0;
        return Unpack(out, most);
    }
    error_ = stream_.msg ? stream_.msg : "zlib error " + std::to_string(rc);
    return false;
}
