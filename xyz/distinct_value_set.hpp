#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace kestrune {

// A set of 64-bit floats under exact equality (+0.0 and -0.0 are one value),
// in linear time: open addressing on the bit patterns. Only the count is
// needed downstream, so the order of first appearance is not kept.
class DistinctValueSet {
public:
    DistinctValueSet() : slots_(kInitialSlots, kEmpty) {}

    void insert(double value) {
        std::uint64_t bits = bitsOf(value);
        std::size_t mask = slots_.size() - 1;
        for (std::size_t i = mix(bits) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == bits) return;
            if (slots_[i] == kEmpty) {
                slots_[i] = bits;
                if (++count_ * 2 > slots_.size()) grow();
                return;
            }
        }
    }

    void merge(const DistinctValueSet& other) {
        for (std::uint64_t bits : other.slots_)
            if (bits != kEmpty) insert(valueOf(bits));
    }

    std::size_t size() const { return count_; }

private:
    static constexpr std::size_t kInitialSlots = 1024;
    // The bit pattern of a NaN that the number reader never yields.
    static constexpr std::uint64_t kEmpty = 0x7ff8dead0000beefULL;

    static std::uint64_t bitsOf(double value) {
        value += 0.0;  // -0.0 becomes +0.0
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    static double valueOf(std::uint64_t bits) {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    static std::size_t mix(std::uint64_t bits) {
        bits ^= bits >> 33;
        bits *= 0xff51afd7ed558ccdULL;
        bits ^= bits >> 33;
        return static_cast<std::size_t>(bits);
    }
    void grow() {
        std::vector<std::uint64_t> old(slots_.size() * 2, kEmpty);
        old.swap(slots_);
        count_ = 0;
        for (std::uint64_t bits : old)
            if (bits != kEmpty) insert(valueOf(bits));
    }

    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

}  // namespace kestrune
