// Portable sine and cosine: close to the C runtime's (within one unit in the last place), exact at
// known values, and the same bits in every build (a hash over a fixed set of arguments).
#include "raster/portable_trig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

uint64_t Bits(double x) {
    uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Distance in units in the last place between two finite doubles of the same sign or zero.
uint64_t UlpDistance(double a, double b) {
    auto ordered = [](double x) {
        const uint64_t bits = Bits(x);
        return (bits >> 63) ? static_cast<int64_t>(0x8000000000000000ULL - bits) : static_cast<int64_t>(bits);
    };
    const int64_t d = ordered(a) - ordered(b);
    return static_cast<uint64_t>(d < 0 ? -d : d);
}

// The arguments the picture uses (single-precision angles up to a few thousand radians) and a
// spread of doubles over every exponent, including the large-argument reduction.
std::vector<double> Arguments() {
    std::vector<double> args;
    for (int i = -200000; i <= 200000; ++i) args.push_back(static_cast<double>(static_cast<float>(i) * 0.0249f));
    for (int i = 0; i < 300; ++i) {
        for (float phase : {-3.2725f, 0.0385f, -4799.5f, 4158.3f}) {
            args.push_back(static_cast<double>(static_cast<float>(i) * 0.1f + phase));
        }
    }
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        uint64_t bits = random() & 0x7fffffffffffffffULL;
        const uint64_t exponent = 900 + random() % 250;  // about 2^-123 .. 2^126
        bits = (bits & 0x800fffffffffffffULL) | (exponent << 52);
        double x;
        std::memcpy(&x, &bits, sizeof x);
        args.push_back(random() & 1 ? x : -x);
    }
    for (double x : {1e22, 1e100, 1e300, 1.7976931348623157e308, 3.141592653589793, 1.5707963267948966,
                     4.71238898038469, 6.283185307179586, 7.0685834705770345, 1048576.0 * 1.5707963267948966,
                     1048577.0 * 1.5707963267948966, 5e-324, 1e-300, 1e-8, 0.7853981633974483}) {
        args.push_back(x);
        args.push_back(-x);
    }
    return args;
}

// glibc's sine and cosine are accurate to within one ulp; the Windows runtimes are not (the x87
// reduction loses bits), which is why the picture does not use them. Hence glibc only.
TEST(PortableTrig, AgreesWithGlibcWithinOneUlp) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the reference is glibc's sin and cos";
#endif
    size_t exact = 0, total = 0;
    for (double x : Arguments()) {
        const double s = PortableSin(x), c = PortableCos(x);
        const double rs = std::sin(x), rc = std::cos(x);
        ASSERT_LE(UlpDistance(s, rs), 1u) << "sin " << x;
        ASSERT_LE(UlpDistance(c, rc), 1u) << "cos " << x;
        exact += (Bits(s) == Bits(rs)) + (Bits(c) == Bits(rc));
        total += 2;
    }
    EXPECT_GE(static_cast<double>(exact), 0.95 * static_cast<double>(total)) << exact << " of " << total << " exact";
}

TEST(PortableTrig, KnownValues) {
    EXPECT_EQ(Bits(PortableSin(0.0)), Bits(0.0));
    EXPECT_EQ(Bits(PortableSin(-0.0)), Bits(-0.0));
    EXPECT_EQ(PortableCos(0.0), 1.0);
    EXPECT_EQ(PortableCos(-0.0), 1.0);
    EXPECT_EQ(PortableSin(1.5707963267948966), 1.0);  // the double nearest pi/2
    EXPECT_EQ(PortableCos(3.141592653589793), -1.0);
    // cos of the double nearest pi/2 is that double's distance from pi/2.
    EXPECT_EQ(PortableCos(1.5707963267948966), 6.123233995736766e-17);
    EXPECT_EQ(PortableSin(3.141592653589793), 1.2246467991473532e-16);
    EXPECT_EQ(PortableSin(1e22), -0.8522008497671888);  // a classic test of the large reduction
    EXPECT_EQ(PortableSin(1e-300), 1e-300);
    EXPECT_TRUE(std::isnan(PortableSin(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(PortableCos(-std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(PortableSin(std::numeric_limits<double>::quiet_NaN())));
}

TEST(PortableTrig, SameBitsInEveryBuild) {
    // FNV-1a over the bits of every result. The value was recorded from the native x86-64 build and
    // checked equal in the 32-bit Windows build under Wine.
    uint64_t hash = 0xcbf29ce484222325ULL;
    auto add = [&hash](double v) {
        const uint64_t b = Bits(v);
        for (int k = 0; k < 8; ++k) {
            hash ^= (b >> (8 * k)) & 255;
            hash *= 0x100000001b3ULL;
        }
    };
    size_t count = 0;
    for (double x : Arguments()) {
        add(PortableSin(x));
        add(PortableCos(x));
        ++count;
    }
    EXPECT_EQ(count, 601231u);
    EXPECT_EQ(hash, 0x3a0026b29edfb677ULL) << std::hex << hash;
}

}  // namespace
