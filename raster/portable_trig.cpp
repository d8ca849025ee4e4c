// Sine and cosine ported from fdlibm, as kept in FreeBSD's msun (s_sin.c, s_cos.c, k_sin.c, k_cos.c,
// e_rem_pio2.c, k_rem_pio2.c), reduced to double precision. Every step is a plain IEEE double
// operation (with SSE2 arithmetic and no contraction, as the build sets), an exact integer
// conversion, or an exact library call (scalbn, floor), so the bits are the same on every platform.
// The results are within one unit in the last place of the true value.
//
// The argument is reduced to y[0] + y[1] = x - n * pi/2 with |y| <= pi/4: arguments up to 2^20 * pi/2
// with pi/2 split in 33-bit pieces, larger ones with 2/pi to 1584 bits (__kernel_rem_pio2). The
// kernels are polynomials on [-pi/4, pi/4] with a correction for the tail y[1].
//
// ====================================================
// Copyright (C) 1993 by Sun Microsystems, Inc. All rights reserved.
//
// Developed at SunSoft, a Sun Microsystems, Inc. business.
// Permission to use, copy, modify, and distribute this
// software is freely granted, provided that this notice
// is preserved.
// ====================================================
//
// The medium-size reduction was optimized by Bruce D. Evans (FreeBSD).
#include "raster/portable_trig.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

int32_t HighWord(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return static_cast<int32_t>(static_cast<uint32_t>(bits >> 32));
}

uint32_t LowWord(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return static_cast<uint32_t>(bits);
}

double FromWords(uint32_t high, uint32_t low) {
    const uint64_t bits = (static_cast<uint64_t>(high) << 32) | low;
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// sin(x + y) on [-pi/4, pi/4]; y is the tail of x, ignored when hasTail is 0.
double KernelSin(double x, double y, int hasTail) {
    const double half = 5.00000000000000000000e-01;
    const double S1 = -1.66666666666666324348e-01;  // 0xBFC55555, 0x55555549
    const double S2 = 8.33333333332248946124e-03;   // 0x3F811111, 0x1110F8A6
    const double S3 = -1.98412698298579493134e-04;  // 0xBF2A01A0, 0x19C161D5
    const double S4 = 2.75573137070700676789e-06;   // 0x3EC71DE3, 0x57B1FE7D
    const double S5 = -2.50507602534068634195e-08;  // 0xBE5AE5E6, 0x8A2B9CEB
    const double S6 = 1.58969099521155010221e-10;   // 0x3DE5D93A, 0x5ACFD57C

    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    if (hasTail == 0) return x + v * (S1 + z * r);
    return x - ((z * (half * y - v * r) - y) - v * S1);
}

// cos(x + y) on [-pi/4, pi/4]; y is the tail of x.
double KernelCos(double x, double y) {
    const double one = 1.00000000000000000000e+00;
    const double C1 = 4.16666666666666019037e-02;   // 0x3FA55555, 0x5555554C
    const double C2 = -1.38888888888741095749e-03;  // 0xBF56C16C, 0x16C15177
    const double C3 = 2.48015872894767294178e-05;   // 0x3EFA01A0, 0x19CB1590
    const double C4 = -2.75573143513906633035e-07;  // 0xBE927E4F, 0x809C52AD
    const double C5 = 2.08757232129817482790e-09;   // 0x3E21EE9E, 0xBDB4B1C4
    const double C6 = -1.13596475577881948265e-11;  // 0xBDA8FAE9, 0xBE8838D4

    const double z = x * x;
    double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const double hz = 0.5 * z;
    w = one - hz;
    return w + (((one - w) - hz) + (z * r - x * y));
}

// 2/pi in 24-bit chunks: chunk i holds bits 24i..24i+23 after the binary point. Enough for every
// finite double (e0 <= 1024 needs (e0 - 3) / 24 + 4 terms).
const int32_t ipio2[] = {
    0xA2F983, 0x6E4E44, 0x1529FC, 0x2757D1, 0xF534DD, 0xC0DB62, 0x95993C, 0x439041, 0xFE5163, 0xABDEBB, 0xC561B7,
    0x246E3A, 0x424DD2, 0xE00649, 0x2EEA09, 0xD1921C, 0xFE1DEB, 0x1CB129, 0xA73EE8, 0x8235F5, 0x2EBB44, 0x84E99C,
    0x7026B4, 0x5F7E41, 0x3991D6, 0x398353, 0x39F49C, 0x845F8B, 0xBDF928, 0x3B1FF8, 0x97FFDE, 0x05980F, 0xEF2F11,
    0x8B5A0A, 0x6D1F6D, 0x367ECF, 0x27CB09, 0xB74F46, 0x3F669E, 0x5FEA2D, 0x7527BA, 0xC7EBE5, 0xF17B3D, 0x0739F7,
    0x8A5292, 0xEA6BFB, 0x5FB11F, 0x8D5D08, 0x560330, 0x46FC7B, 0x6BABF0, 0xCFBC20, 0x9AF436, 0x1DA9E3, 0x91615E,
    0xE61B08, 0x659985, 0x5F14A0, 0x68408D, 0xFFD880, 0x4D7327, 0x310606, 0x1556CA, 0x73A8C9, 0x60E27B, 0xC08C6B,
};

// pi/2 in 24-bit pieces.
const double PIo2[] = {
    1.57079625129699707031e+00,  // 0x3FF921FB, 0x40000000
    7.54978941586159635335e-08,  // 0x3E74442D, 0x00000000
    5.39030252995776476554e-15,  // 0x3CF84698, 0x80000000
    3.28200341580791294123e-22,  // 0x3B78CC51, 0x60000000
    1.27065575308067607349e-29,  // 0x39F01B83, 0x80000000
    1.22933308981111328932e-36,  // 0x387A2520, 0x40000000
    2.73370053816464559624e-44,  // 0x36E38222, 0x80000000
    2.16741683877804819444e-51,  // 0x3569F31D, 0x00000000
};

// Large-argument reduction: x[0..nx-1] are 24-bit pieces of the positive argument, x[0] scaled by
// 2^e0. Stores the remainder of x modulo pi/2 as y[0] + y[1] and returns the quotient's last three
// bits. Double precision only (fdlibm's prec = 1, jk = 4).
int KernelRemPio2(const double* x, double* y, int e0, int nx) {
    const double two24 = 1.67772160000000000000e+07;
    const double twon24 = 5.96046447753906250000e-08;
    const int32_t jk = 4;
    const int32_t jp = jk;
    int32_t iq[20] = {};
    double f[20] = {}, fq[20] = {}, q[20] = {};

    const int32_t jx = nx - 1;
    int32_t jv = (e0 - 3) / 24;
    if (jv < 0) jv = 0;
    int32_t q0 = e0 - 24 * (jv + 1);

    // f[0..jx+jk] = ipio2[jv-jx..jv+jk]
    int32_t j = jv - jx;
    const int32_t m = jx + jk;
    for (int32_t i = 0; i <= m; i++, j++) f[i] = (j < 0) ? 0.0 : static_cast<double>(ipio2[j]);

    for (int32_t i = 0; i <= jk; i++) {
        double fw = 0.0;
        for (j = 0; j <= jx; j++) fw += x[j] * f[jx + i - j];
        q[i] = fw;
    }

    int32_t jz = jk;
    int32_t n, ih;
    double z;
    for (;;) {
        // Distill q[] into iq[], last first.
        int32_t i;
        z = q[jz];
        for (i = 0, j = jz; j > 0; i++, j--) {
            const double fw = static_cast<double>(static_cast<int32_t>(twon24 * z));
            iq[i] = static_cast<int32_t>(z - two24 * fw);
            z = q[j - 1] + fw;
        }

        z = std::scalbn(z, q0);
        z -= 8.0 * std::floor(z * 0.125);  // trim off the integer part above 7
        n = static_cast<int32_t>(z);
        z -= static_cast<double>(n);
        ih = 0;
        if (q0 > 0) {  // iq[jz-1] holds the low bits of n
            i = (iq[jz - 1] >> (24 - q0));
            n += i;
            iq[jz - 1] -= i << (24 - q0);
            ih = iq[jz - 1] >> (23 - q0);
        } else if (q0 == 0) {
            ih = iq[jz - 1] >> 23;
        } else if (z >= 0.5) {
            ih = 2;
        }

        if (ih > 0) {  // the fraction is at least 0.5: take 1 - fraction and one more quotient
            n += 1;
            int32_t carry = 0;
            for (i = 0; i < jz; i++) {
                j = iq[i];
                if (carry == 0) {
                    if (j != 0) {
                        carry = 1;
                        iq[i] = 0x1000000 - j;
                    }
                } else {
                    iq[i] = 0xffffff - j;
                }
            }
            if (q0 > 0) {
                switch (q0) {
                case 1:
                    iq[jz - 1] &= 0x7fffff;
                    break;
                case 2:
                    iq[jz - 1] &= 0x3fffff;
                    break;
                }
            }
            if (ih == 2) {
                z = 1.0 - z;
                if (carry != 0) z -= std::scalbn(1.0, q0);
            }
        }

        // Cancellation left nothing: take more terms of 2/pi and start again.
        if (z == 0.0) {
            j = 0;
            for (i = jz - 1; i >= jk; i--) j |= iq[i];
            if (j == 0) {
                int32_t k = 1;
                while (iq[jk - k] == 0) k++;
                for (i = jz + 1; i <= jz + k; i++) {
                    f[jx + i] = static_cast<double>(ipio2[jv + i]);
                    double fw = 0.0;
                    for (j = 0; j <= jx; j++) fw += x[j] * f[jx + i - j];
                    q[i] = fw;
                }
                jz += k;
                continue;
            }
        }
        break;
    }

    // Chop off zero terms, or break z into 24-bit pieces.
    if (z == 0.0) {
        jz -= 1;
        q0 -= 24;
        while (iq[jz] == 0) {
            jz--;
            q0 -= 24;
        }
    } else {
        z = std::scalbn(z, -q0);
        if (z >= two24) {
            const double fw = static_cast<double>(static_cast<int32_t>(twon24 * z));
            iq[jz] = static_cast<int32_t>(z - two24 * fw);
            jz += 1;
            q0 += 24;
            iq[jz] = static_cast<int32_t>(fw);
        } else {
            iq[jz] = static_cast<int32_t>(z);
        }
    }

    double fw = std::scalbn(1.0, q0);
    for (int32_t i = jz; i >= 0; i--) {
        q[i] = fw * static_cast<double>(iq[i]);
        fw *= twon24;
    }

    // fq = PIo2 * q
    for (int32_t i = jz; i >= 0; i--) {
        fw = 0.0;
        for (int32_t k = 0; k <= jp && k <= jz - i; k++) fw += PIo2[k] * q[i + k];
        fq[jz - i] = fw;
    }

    fw = 0.0;
    for (int32_t i = jz; i >= 0; i--) fw += fq[i];
    y[0] = (ih == 0) ? fw : -fw;
    fw = fq[0] - fw;
    for (int32_t i = 1; i <= jz; i++) fw += fq[i];
    y[1] = (ih == 0) ? fw : -fw;
    return n & 7;
}

// x - n * pi/2 as y[0] + y[1]; returns n (its low bits are what the callers use). |x| > pi/4.
int RemPio2(double x, double* y) {
    const double two24 = 1.67772160000000000000e+07;
    const double invpio2 = 6.36619772367581382433e-01;  // 0x3FE45F30, 0x6DC9C883
    const double pio2_1 = 1.57079632673412561417e+00;   // 0x3FF921FB, 0x54400000
    const double pio2_1t = 6.07710050650619224932e-11;  // 0x3DD0B461, 0x1A626331
    const double pio2_2 = 6.07710050630396597660e-11;   // 0x3DD0B461, 0x1A600000
    const double pio2_2t = 2.02226624879595063154e-21;  // 0x3BA3198A, 0x2E037073
    const double pio2_3 = 2.02226624871116645580e-21;   // 0x3BA3198A, 0x2E000000
    const double pio2_3t = 8.47842766036889956997e-32;  // 0x397B839A, 0x252049C1

    const int32_t hx = HighWord(x);
    const int32_t ix = hx & 0x7fffffff;
    bool medium = false;

    if (ix <= 0x400f6a7a) {  // |x| ~<= 5pi/4
        if ((ix & 0xfffff) == 0x921fb) {
            medium = true;              // |x| ~= pi/2 or 2pi/2: cancellation, use the medium case
        } else if (ix <= 0x4002d97c) {  // |x| ~<= 3pi/4
            if (hx > 0) {
                const double z = x - pio2_1;
                y[0] = z - pio2_1t;
                y[1] = (z - y[0]) - pio2_1t;
                return 1;
            }
            const double z = x + pio2_1;
            y[0] = z + pio2_1t;
            y[1] = (z - y[0]) + pio2_1t;
            return -1;
        } else {
            if (hx > 0) {
                const double z = x - 2 * pio2_1;
                y[0] = z - 2 * pio2_1t;
                y[1] = (z - y[0]) - 2 * pio2_1t;
                return 2;
            }
            const double z = x + 2 * pio2_1;
            y[0] = z + 2 * pio2_1t;
            y[1] = (z - y[0]) + 2 * pio2_1t;
            return -2;
        }
    } else if (ix <= 0x401c463b) {  // |x| ~<= 9pi/4
        if (ix <= 0x4015fdbc) {     // |x| ~<= 7pi/4
            if (ix == 0x4012d97c) {
                medium = true;  // |x| ~= 3pi/2
            } else if (hx > 0) {
                const double z = x - 3 * pio2_1;
                y[0] = z - 3 * pio2_1t;
                y[1] = (z - y[0]) - 3 * pio2_1t;
                return 3;
            } else {
                const double z = x + 3 * pio2_1;
                y[0] = z + 3 * pio2_1t;
                y[1] = (z - y[0]) + 3 * pio2_1t;
                return -3;
            }
        } else {
            if (ix == 0x401921fb) {
                medium = true;  // |x| ~= 4pi/2
            } else if (hx > 0) {
                const double z = x - 4 * pio2_1;
                y[0] = z - 4 * pio2_1t;
                y[1] = (z - y[0]) - 4 * pio2_1t;
                return 4;
            } else {
                const double z = x + 4 * pio2_1;
                y[0] = z + 4 * pio2_1t;
                y[1] = (z - y[0]) + 4 * pio2_1t;
                return -4;
            }
        }
    }

    if (medium || ix < 0x413921fb) {  // |x| ~< 2^20 * pi/2
        // Round to nearest by adding and removing 1.5 * 2^52.
        double fn = x * invpio2 + 0x1.8p52;
        fn = fn - 0x1.8p52;
        const int32_t n = static_cast<int32_t>(fn);
        double r = x - fn * pio2_1;
        double w = fn * pio2_1t;  // first round, good to 85 bits
        const int32_t j = ix >> 20;
        y[0] = r - w;
        int32_t i = j - ((HighWord(y[0]) >> 20) & 0x7ff);
        if (i > 16) {  // second round, good to 118 bits
            double t = r;
            w = fn * pio2_2;
            r = t - w;
            w = fn * pio2_2t - ((t - r) - w);
            y[0] = r - w;
            i = j - ((HighWord(y[0]) >> 20) & 0x7ff);
            if (i > 49) {  // third round, 151 bits, covers every case
                t = r;
                w = fn * pio2_3;
                r = t - w;
                w = fn * pio2_3t - ((t - r) - w);
                y[0] = r - w;
            }
        }
        y[1] = (r - y[0]) - w;
        return n;
    }

    if (ix >= 0x7ff00000) {  // infinity or NaN
        y[0] = y[1] = x - x;
        return 0;
    }

    // z = |x| scaled to [2^23, 2^24), split into three 24-bit pieces.
    const int32_t e0 = (ix >> 20) - 1046;
    double z = FromWords(static_cast<uint32_t>(ix - static_cast<int32_t>(static_cast<uint32_t>(e0) << 20)), LowWord(x));
    double tx[3], ty[2];
    for (int i = 0; i < 2; i++) {
        tx[i] = static_cast<double>(static_cast<int32_t>(z));
        z = (z - tx[i]) * two24;
    }
    tx[2] = z;
    int nx = 3;
    while (tx[nx - 1] == 0.0) nx--;
    const int n = KernelRemPio2(tx, ty, e0, nx);
    if (hx < 0) {
        y[0] = -ty[0];
        y[1] = -ty[1];
        return -n;
    }
    y[0] = ty[0];
    y[1] = ty[1];
    return n;
}

}  // namespace

double PortableSin(double x) {
    const int32_t ix = HighWord(x) & 0x7fffffff;
    if (ix <= 0x3fe921fb) {             // |x| ~<= pi/4
        if (ix < 0x3e400000) return x;  // |x| < 2^-27: sin x rounds to x (keeps -0)
        return KernelSin(x, 0.0, 0);
    }
    if (ix >= 0x7ff00000) return x - x;  // infinity or NaN
    double y[2];
    const int n = RemPio2(x, y);
    switch (n & 3) {
    case 0:
        return KernelSin(y[0], y[1], 1);
    case 1:
        return KernelCos(y[0], y[1]);
    case 2:
        return -KernelSin(y[0], y[1], 1);
    default:
        return -KernelCos(y[0], y[1]);
    }
}

double PortableCos(double x) {
    const int32_t ix = HighWord(x) & 0x7fffffff;
    if (ix <= 0x3fe921fb) {               // |x| ~<= pi/4
        if (ix < 0x3e400000) return 1.0;  // |x| < 2^-27: cos x rounds to 1
        return KernelCos(x, 0.0);
    }
    if (ix >= 0x7ff00000) return x - x;  // infinity or NaN
    double y[2];
    const int n = RemPio2(x, y);
    switch (n & 3) {
    case 0:
        return KernelCos(y[0], y[1]);
    case 1:
        return -KernelSin(y[0], y[1], 1);
    case 2:
        return -KernelCos(y[0], y[1]);
    default:
        return KernelSin(y[0], y[1], 1);
    }
}
