#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Bytes held in memory with a read/write position, the receiving end of a transfer.
class ByteBuffer {
  public:
    const std::string& Data() const { return data_; }
    std::int64_t Size() const { return static_cast<std::int64_t>(data_.size()); }
    std::int64_t Position() const { return static_cast<std::int64_t>(position_); }
    void SetPosition(std::int64_t position) {
        position_ = position < 0 ? 0 : static_cast<std::size_t>(position);
    }
    void Clear() {
        data_.clear();
        position_ = 0;
    }
    // Writes at the position (overwriting, then growing) and moves past the written bytes.
    void Write(const char* bytes, std::size_t count) {
        if (position_ > data_.size()) data_.resize(position_);
        data_.replace(position_, count, bytes, count);
        position_ += count;
    }

  private:
    std::string data_;
    std::size_t position_ = 0;
};
