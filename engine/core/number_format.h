// Number texts for reports of millions of lines, written straight into a
// caller's buffer and byte-identical to the printf conversion each names,
// without the cost of a printf call per number.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ruz {

// Room formatDecimal needs: "-9223372036854775808".
inline constexpr std::size_t kDecimalChars = 20;

// Writes `value` as printf("%lld") does; returns the end of the text. No
// terminating zero.
char* formatDecimal(char* out, std::int64_t value);

// Widest field and most decimals formatFixed accepts, and the room it needs
// at most (the widest double with 4 decimals, a sign, or the field).
inline constexpr int kFixedMaxWidth = 32;
inline constexpr int kFixedMaxDecimals = 4;
inline constexpr std::size_t kFixedChars = 320;

// Writes `value` as printf("%*.*f", width, decimals, value) does (rounded to
// nearest, ties to even, on the exact binary value); returns the end of the
// text. `decimals` lies in 0..4 and `width` in 0..kFixedMaxWidth. The usual
// values (not negative, below 2^49) are converted by integer arithmetic;
// the others go through snprintf. No terminating zero.
char* formatFixed(char* out, double value, int decimals, int width = 0);

// The decimal texts of consecutive whole numbers: next() moves to the next
// one by carrying in the digits, so a report that numbers its lines never
// divides.
class DecimalCounter {
public:
    explicit DecimalCounter(std::uint64_t start = 0);

    std::string_view text() const {
        return {digits_.data() + first_, digits_.size() - first_};
    }
    void next();

private:
    std::array<char, kDecimalChars> digits_{};
    std::size_t first_ = 0;  // index of the leading digit
};

}  // namespace ruz
