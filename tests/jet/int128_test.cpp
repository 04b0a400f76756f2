// The 128-bit integer the exact sums use, against the compiler's own where it has one, and
// against identities that hold on every compiler.
#include "jet/int128.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using jet::Int128;

const Int128 min = Int128::fromWords(uint64_t(1) << 63, 0);

std::vector<Int128> edgeValues() {
    const Int128 max = Int128::fromWords(~uint64_t(0) >> 1, ~uint64_t(0));
    // 2^64 + 1 and 2^64 + 3 lie halfway between two long doubles.
    std::vector<Int128> v = {0, 1, -1, 7, -10, 10, 999999999, INT64_MAX, INT64_MIN,
                             Int128(UINT64_MAX), Int128::fromWords(1, 0), Int128::fromWords(1, 1),
                             Int128::fromWords(1, 3), min, max, min + 1, max - 1,
                             Int128::fromMagnitude(0xffffffffu, 0xffffffffu, 0xffffffffu)};
    Int128 p = 1;
    for (int i = 0; i < 38; ++i, p *= 10)
        v.push_back(p), v.push_back(-p), v.push_back(p * 3 + 7), v.push_back(-(p * 5) + 1);
    return v;
}

#ifdef __SIZEOF_INT128__
__int128 native(Int128 x) { return (__int128)((unsigned __int128)x.high() << 64 | x.low()); }

TEST(Int128Test, AgreesWithTheCompilersOwn) {
    const auto values = edgeValues();
    for (Int128 a : values) {
        const __int128 na = native(a);
        EXPECT_EQ(a.toLongDouble(), (long double)na);
        EXPECT_EQ(a.fitsInt64(), na >= INT64_MIN && na <= INT64_MAX);
        for (Int128 b : values) {
            const __int128 nb = native(b);
            const auto wrap = [](unsigned __int128 x) { return (__int128)x; };
            EXPECT_EQ(native(a + b), wrap((unsigned __int128)na + (unsigned __int128)nb));
            EXPECT_EQ(native(a - b), wrap((unsigned __int128)na - (unsigned __int128)nb));
            EXPECT_EQ(native(a * b), wrap((unsigned __int128)na * (unsigned __int128)nb));
            EXPECT_EQ(a < b, na < nb);
            EXPECT_EQ(a == b, na == nb);
            __int128 sum = 0, product = 0;
            Int128 s, p;
            EXPECT_EQ(addChecked(a, b, s), !__builtin_add_overflow(na, nb, &sum));
            if (!__builtin_add_overflow(na, nb, &sum)) {
                EXPECT_EQ(native(s), sum);
            }
            const bool mulOverflows = __builtin_mul_overflow(na, nb, &product);
            EXPECT_EQ(mulChecked(a, b, p), !mulOverflows);
            if (!mulOverflows) {
                EXPECT_EQ(native(p), product);
            }
            if (nb != 0 && !(nb == -1 && a == min)) {
                EXPECT_EQ(native(a / b), na / nb);
                EXPECT_EQ(native(a % b), na % nb);
            }
        }
    }
}
#endif

TEST(Int128Test, DivisionAndConversionIdentities) {
    for (Int128 a : edgeValues()) {
        for (Int128 b : {Int128(10), Int128(-3), Int128(1000000007), Int128::fromWords(5, 12345)}) {
            EXPECT_EQ(a / b * b + a % b, a);
            EXPECT_TRUE(a % b == 0 || (a % b).negative() == a.negative());
        }
    }
    EXPECT_EQ((Int128(INT64_MAX) * 1000 + 999).toLongDouble(), 9223372036854775807999.0L);
    EXPECT_EQ(Int128::fromMagnitude(1, 2, 3).word32(2), 1u);
    EXPECT_EQ(Int128::fromMagnitude(1, 2, 3).word32(1), 2u);
    Int128 out;
    EXPECT_FALSE(mulChecked(Int128::fromWords(1, 0), Int128::fromWords(1, 0), out));
    EXPECT_TRUE(mulChecked(-Int128::fromWords(1ull << 62, 0), 2, out));
    EXPECT_EQ(out, Int128::fromWords(1ull << 63, 0));
    EXPECT_FALSE(mulChecked(Int128::fromWords(1ull << 62, 0), 2, out));
}

} // namespace
