#include "number_format.h"

#include <bit>
#include <cstdio>
#include <cstring>

namespace ruz {

namespace {

constexpr std::uint64_t kPowerOfTen[] = {1, 10, 100, 1000, 10000};
constexpr std::uint64_t kPowerOfFive[] = {1, 5, 25, 125, 625};

// Writes the digits of `value` and returns the end.
char* unsignedDigits(char* out, std::uint64_t value) {
    char reversed[kDecimalChars];
    std::size_t n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) *out++ = reversed[--n];
    return out;
}

// Writes `digits` digits of `value`, with leading zeros.
char* paddedDigits(char* out, std::uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + digits;
}

// value * 10^decimals rounded to the nearest whole number, ties to even,
// computed on the exact binary value: 10^d = 5^d * 2^d, so the mantissa is
// multiplied by 5^d (below 2^63 for d <= 4) and its exponent raised by d.
// The caller guarantees 0 <= value < fastLimit(decimals), so the result
// fits 64 bits.
std::uint64_t scaledAndRounded(double value, int decimals) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto exponentField = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    // value = mantissa * 2^exponent exactly.
    const std::uint64_t mantissa = exponentField == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int exponent = (exponentField == 0 ? 1 : exponentField) - 1075 + decimals;
    const std::uint64_t scaled = mantissa * kPowerOfFive[decimals];
    if (exponent >= 0) return scaled << exponent;
    const int shift = -exponent;
    if (shift >= 64) return 0;  // below 2^-11 after scaling: rounds to 0
    const std::uint64_t whole = scaled >> shift;
    const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    return (rest > half || (rest == half && (whole & 1) != 0)) ? whole + 1 : whole;
}

char* fixedByPrintf(char* out, double value, int decimals, int width) {
    char text[kFixedChars + 8];
    const int n = std::snprintf(text, sizeof text, "%*.*f", width, decimals, value);
    const std::size_t length = n < 0 ? 0 : static_cast<std::size_t>(n);
    std::memcpy(out, text, length);
    return out + length;
}

// Values below this are converted by integer arithmetic: 2^53 with up to 3
// decimals, 2^49 with 4 (value * 10^4 then stays below 2^63).
double fastLimit(int decimals) {
    return decimals <= 3 ? 9007199254740992.0 : 562949953421312.0;
}

}  // namespace

char* formatDecimal(char* out, std::int64_t value) {
    if (value >= 0) return unsignedDigits(out, static_cast<std::uint64_t>(value));
    *out++ = '-';
    // Negating in unsigned arithmetic also holds the most negative value.
    return unsignedDigits(out, ~static_cast<std::uint64_t>(value) + 1);
}

char* formatFixed(char* out, double value, int decimals, int width) {
    if (decimals < 0 || decimals > kFixedMaxDecimals || width < 0 || width > kFixedMaxWidth)
        return fixedByPrintf(out, value, decimals < 0 ? 0 : decimals, width < 0 ? 0 : width);
    // The sign bit sends -0.0 (printed "-0.00") down the printf path.
    if (!(value >= 0.0 && value < fastLimit(decimals)) || std::bit_cast<std::uint64_t>(value) >> 63)
        return fixedByPrintf(out, value, decimals, width);

    const std::uint64_t scaled = scaledAndRounded(value, decimals);
    const std::uint64_t whole = scaled / kPowerOfTen[decimals];
    char text[kDecimalChars + 8];
    char* end = unsignedDigits(text, whole);
    if (decimals > 0) {
        *end++ = '.';
        end = paddedDigits(end, scaled % kPowerOfTen[decimals], decimals);
    }
    const auto length = static_cast<int>(end - text);
    for (int pad = width - length; pad > 0; --pad) *out++ = ' ';
    std::memcpy(out, text, static_cast<std::size_t>(length));
    return out + length;
}

DecimalCounter::DecimalCounter(std::uint64_t start) {
    char* end = unsignedDigits(digits_.data(), start);
    const auto length = static_cast<std::size_t>(end - digits_.data());
    first_ = digits_.size() - length;
    std::memmove(digits_.data() + first_, digits_.data(), length);
}

void DecimalCounter::next() {
    for (std::size_t i = digits_.size(); i-- > first_;) {
        if (digits_[i] != '9') {
            ++digits_[i];
            return;
        }
        digits_[i] = '0';
    }
    // Every digit was 9: one digit more ("999" -> "1000"). Twenty digits
    // lie beyond every 64-bit start, so the array never runs out.
    if (first_ > 0) digits_[--first_] = '1';
}

}  // namespace ruz
