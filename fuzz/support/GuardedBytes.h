#pragma once
// A caller's buffer with guard bytes on both sides. The buffer starts with
// content of the test case's choosing and the guards with a fixed pattern,
// so that a write outside the buffer, or outside the part of it the callee
// may write, shows as a changed byte. The storage is exactly guards + buffer
// + guards, so AddressSanitizer sees anything beyond the guards.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hk::fuzz {

class GuardedBytes {
public:
    static constexpr std::size_t kGuardBytes = 16;
    static constexpr std::uint8_t kGuard = 0xC5;

    explicit GuardedBytes(std::span<const std::uint8_t> content)
        : initial_(content.begin(), content.end()),
          storage_(content.size() + 2 * kGuardBytes, kGuard) {
        std::copy(content.begin(), content.end(), storage_.begin() + kGuardBytes);
    }

    // `size` bytes of a pattern that differs from byte to byte and by seed.
    static std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(seed + 0x3B * i + (i >> 8));
        return bytes;
    }

    std::span<std::uint8_t> Span() { return {storage_.data() + kGuardBytes, initial_.size()}; }
    std::span<const std::uint8_t> Span() const {
        return {storage_.data() + kGuardBytes, initial_.size()};
    }
    std::size_t Size() const { return initial_.size(); }
    std::span<const std::uint8_t> Initial() const { return initial_; }

    // Both guards still hold their pattern.
    bool GuardsIntact() const {
        const auto isGuard = [](std::uint8_t b) { return b == kGuard; };
        return std::all_of(storage_.begin(), storage_.begin() + kGuardBytes, isGuard) &&
               std::all_of(storage_.end() - kGuardBytes, storage_.end(), isGuard);
    }

    // Bytes [from, to) of the buffer still hold what they started with.
    bool Untouched(std::size_t from, std::size_t to) const {
        const auto now = Span();
        to = std::min(to, now.size());
        for (std::size_t i = from; i < to; ++i)
            if (now[i] != initial_[i]) return false;
        return true;
    }
    bool UntouchedFrom(std::size_t from) const { return Untouched(from, Size()); }

private:
    std::vector<std::uint8_t> initial_;
    std::vector<std::uint8_t> storage_;
};

}  // namespace hk::fuzz
