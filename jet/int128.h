// A signed 128-bit integer (two's complement) for exact sums and decimal magnitudes, on every
// compiler (32-bit ones have no 128-bit integer type). Plain C++, header only.
//
// Arithmetic wraps modulo 2^128 like the built-in integers' unsigned arithmetic; addChecked and
// mulChecked say when a result does not fit. Division truncates toward zero and the remainder
// takes the dividend's sign, as for the built-in integers; dividing by zero gives 0.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace jet {

class Int128 {
public:
    constexpr Int128() = default;
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    constexpr Int128(T v) : lo_(uint64_t(v)) {
        if constexpr (std::is_signed_v<T>)
            hi_ = v < 0 ? ~uint64_t(0) : 0;
    }
    static constexpr Int128 fromWords(uint64_t hi, uint64_t lo) {
        Int128 r;
        r.hi_ = hi, r.lo_ = lo;
        return r;
    }
    // The 96-bit magnitude of a Jet decimal, most significant word first (always >= 0).
    static constexpr Int128 fromMagnitude(uint32_t w2, uint32_t w1, uint32_t w0) {
        return fromWords(w2, uint64_t(w1) << 32 | w0);
    }

    constexpr uint64_t low() const { return lo_; }
    constexpr uint64_t high() const { return hi_; }
    // Bits 32*i .. 32*i+31 of the two's-complement value.
    constexpr uint32_t word32(int i) const {
        return uint32_t(i < 2 ? lo_ >> (32 * i) : hi_ >> (32 * (i - 2)));
    }
    constexpr bool negative() const { return int64_t(hi_) < 0; }
    // True when the value lies in [INT64_MIN, INT64_MAX]; then toInt64() is exact.
    constexpr bool fitsInt64() const { return hi_ == (int64_t(lo_) < 0 ? ~uint64_t(0) : 0); }
    constexpr int64_t toInt64() const { return int64_t(lo_); }

    constexpr Int128 operator-() const { return Int128() - *this; }
    friend constexpr Int128 operator+(Int128 a, Int128 b) {
        const uint64_t lo = a.lo_ + b.lo_;
        return fromWords(a.hi_ + b.hi_ + (lo < a.lo_ ? 1 : 0), lo);
    }
    friend constexpr Int128 operator-(Int128 a, Int128 b) {
        return fromWords(a.hi_ - b.hi_ - (a.lo_ < b.lo_ ? 1 : 0), a.lo_ - b.lo_);
    }
    friend constexpr Int128 operator*(Int128 a, Int128 b) {
        Int128 p = mul64(a.lo_, b.lo_);
        p.hi_ += a.lo_ * b.hi_ + a.hi_ * b.lo_;
        return p;
    }
    friend constexpr Int128 operator/(Int128 a, Int128 b) { return divide(a, b, nullptr); }
    friend constexpr Int128 operator%(Int128 a, Int128 b) {
        Int128 r;
        divide(a, b, &r);
        return r;
    }
    constexpr Int128& operator+=(Int128 b) { return *this = *this + b; }
    constexpr Int128& operator-=(Int128 b) { return *this = *this - b; }
    constexpr Int128& operator*=(Int128 b) { return *this = *this * b; }
    constexpr Int128& operator/=(Int128 b) { return *this = *this / b; }

    friend constexpr bool operator==(Int128 a, Int128 b) { return a.hi_ == b.hi_ && a.lo_ == b.lo_; }
    friend constexpr bool operator<(Int128 a, Int128 b) {
        return a.hi_ != b.hi_ ? int64_t(a.hi_) < int64_t(b.hi_) : a.lo_ < b.lo_;
    }
    friend constexpr bool operator>(Int128 a, Int128 b) { return b < a; }
    friend constexpr bool operator<=(Int128 a, Int128 b) { return !(b < a); }
    friend constexpr bool operator>=(Int128 a, Int128 b) { return !(a < b); }

    // out = a + b; false (out unspecified) when the sum is outside the 128-bit range.
    friend constexpr bool addChecked(Int128 a, Int128 b, Int128& out) {
        out = a + b;
        // Overflow only when both have one sign and the sum the other.
        return !(a.negative() == b.negative() && out.negative() != a.negative());
    }
    // out = a * b; false (out unspecified) when the product is outside the 128-bit range.
    friend constexpr bool mulChecked(Int128 a, Int128 b, Int128& out) {
        const bool negative = a.negative() != b.negative();
        const Int128 x = a.magnitude(), y = b.magnitude(); // unsigned magnitudes
        if (x.hi_ != 0 && y.hi_ != 0)
            return false;
        const Int128& small = x.hi_ == 0 ? x : y; // fits 64 bits
        const Int128& other = x.hi_ == 0 ? y : x;
        const Int128 upper = mul64(small.lo_, other.hi_); // times 2^64
        if (upper.hi_ != 0)
            return false;
        Int128 m = mul64(small.lo_, other.lo_);
        const uint64_t hi = m.hi_ + upper.lo_;
        if (hi < m.hi_)
            return false;
        m.hi_ = hi;
        // The magnitude must be at most 2^127 for a negative result, below it for a positive one.
        const Int128 top = fromWords(uint64_t(1) << 63, 0);
        if (m.hi_ >> 63 && !(negative && m == top))
            return false;
        out = negative ? -m : m;
        return true;
    }

    // The nearest long double (ties to even), as the built-in conversion gives.
    long double toLongDouble() const {
        const bool neg = negative();
        const Int128 m = magnitude(); // unsigned
        long double r;
        if (m.hi_ == 0) {
            r = static_cast<long double>(m.lo_);
        } else if (std::numeric_limits<long double>::digits >= 64) {
            // Keep the top 64 bits and round on the ones below.
            const int shift = 64 - __builtin_clzll(m.hi_);
            uint64_t top = shift == 64 ? m.hi_ : m.hi_ << (64 - shift) | m.lo_ >> shift;
            const uint64_t rest = shift == 64 ? m.lo_ : m.lo_ & ((uint64_t(1) << shift) - 1);
            const uint64_t half = uint64_t(1) << (shift - 1);
            int exponent = shift;
            if (rest > half || (rest == half && (top & 1))) {
                if (++top == 0)
                    top = uint64_t(1) << 63, ++exponent;
            }
            r = std::ldexp(static_cast<long double>(top), exponent);
        } else {
            r = std::ldexp(static_cast<long double>(m.hi_), 64) + static_cast<long double>(m.lo_);
        }
        return neg ? -r : r;
    }

private:
    // The magnitude as an unsigned 128-bit number (2^127 for the most negative value).
    constexpr Int128 magnitude() const { return negative() ? -*this : *this; }

    // The full product of two unsigned 64-bit numbers.
    static constexpr Int128 mul64(uint64_t a, uint64_t b) {
        const uint64_t a0 = a & 0xffffffffu, a1 = a >> 32, b0 = b & 0xffffffffu, b1 = b >> 32;
        const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        const uint64_t middle = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
        return fromWords(p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32),
                         (middle << 32) | (p00 & 0xffffffffu));
    }

    // Unsigned a / b and a % b, a and b taken as unsigned 128-bit numbers (b != 0).
    static constexpr Int128 divideUnsigned(Int128 a, Int128 b, Int128& rest) {
        if (b.hi_ == 0 && b.lo_ <= 0xffffffffu) { // by 32 bits: four steps of long division
            const uint64_t d = b.lo_;
            uint64_t r = 0;
            uint32_t q[4] = {};
            for (int i = 3; i >= 0; --i) {
                const uint64_t n = r << 32 | a.word32(i);
                q[i] = uint32_t(n / d);
                r = n % d;
            }
            rest = Int128(int64_t(r));
            return fromWords(uint64_t(q[3]) << 32 | q[2], uint64_t(q[1]) << 32 | q[0]);
        }
        Int128 quotient, r;
        for (int bit = 127; bit >= 0; --bit) {
            r = fromWords(r.hi_ << 1 | r.lo_ >> 63, r.lo_ << 1 |
                          ((bit >= 64 ? a.hi_ >> (bit - 64) : a.lo_ >> bit) & 1));
            const bool ge = r.hi_ != b.hi_ ? r.hi_ > b.hi_ : r.lo_ >= b.lo_;
            if (ge) {
                r = r - b;
                if (bit >= 64)
                    quotient.hi_ |= uint64_t(1) << (bit - 64);
                else
                    quotient.lo_ |= uint64_t(1) << bit;
            }
        }
        rest = r;
        return quotient;
    }

    static constexpr Int128 divide(Int128 a, Int128 b, Int128* remainder) {
        if (b == Int128()) {
            if (remainder)
                *remainder = Int128();
            return Int128();
        }
        Int128 rest;
        Int128 q = divideUnsigned(a.magnitude(), b.magnitude(), rest);
        if (remainder)
            *remainder = a.negative() ? -rest : rest;
        return a.negative() != b.negative() ? -q : q;
    }

    uint64_t lo_ = 0;
    uint64_t hi_ = 0;
};

} // namespace jet
