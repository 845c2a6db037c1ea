#pragma once
// Reads a fuzz input front to back as the choices of one test case. Past the
// end every byte reads as 0, so that any input, however short, is a case.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace hk::fuzz {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    bool AtEnd() const { return pos_ >= data_.size(); }

    std::uint8_t Byte() { return AtEnd() ? 0 : data_[pos_++]; }

    // Up to `count` bytes (fewer at the end of the input).
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        const std::size_t n = std::min(count, data_.size() - std::min(pos_, data_.size()));
        const auto out = data_.subspan(std::min(pos_, data_.size()), n);
        pos_ += n;
        return out;
    }

    std::span<const std::uint8_t> Rest() { return Bytes(data_.size()); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

}  // namespace hk::fuzz
