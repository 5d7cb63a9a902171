// What every harness shares: reading the fuzzer's bytes front to back as
// small values, and stopping with a message when a rule is broken (libFuzzer
// then keeps the input as a crash).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

namespace quil::fuzz {

// Reads values in order from the front; past the end every value is 0, so
// that any input, however short, is a whole sequence of operations.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    [[nodiscard]] bool empty() const { return pos_ >= bytes_.size(); }
    [[nodiscard]] std::size_t remaining() const { return empty() ? 0 : bytes_.size() - pos_; }

    uint8_t u8() { return empty() ? 0 : bytes_[pos_++]; }
    uint16_t u16() {
        const uint16_t lo = u8();
        return static_cast<uint16_t>(lo | (u8() << 8));
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | (static_cast<uint32_t>(u16()) << 16);
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint64_t u64() {
        const uint64_t lo = u32();
        return lo | (static_cast<uint64_t>(u32()) << 32);
    }
    // A value in [0, n), n > 0.
    int below(int n) { return static_cast<int>(u8() % static_cast<unsigned>(n)); }
    int below16(int n) { return static_cast<int>(u16() % static_cast<unsigned>(n)); }
    // The next n bytes (fewer at the end), pointing into the input itself.
    std::span<const uint8_t> take(std::size_t n) {
        const std::size_t k = n < remaining() ? n : remaining();
        const auto out = bytes_.subspan(pos_, k);
        pos_ += k;
        return out;
    }

private:
    std::span<const uint8_t> bytes_;
    std::size_t pos_ = 0;
};

// A broken rule: said on stderr, then abort, which libFuzzer reports as a
// crash and saves the input for.
[[noreturn]] inline void broken(std::string_view harness, std::string_view rule) {
    std::fprintf(stderr, "\n%.*s: rule broken: %.*s\n", static_cast<int>(harness.size()),
                 harness.data(), static_cast<int>(rule.size()), rule.data());
    std::abort();
}

}  // namespace quil::fuzz
