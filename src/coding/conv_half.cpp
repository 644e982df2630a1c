// The rate-1/2 coders of code types 1 and 6.
#include "coding/conv_threshold.h"

#include "coding/conv_shape.h"

#include <algorithm>
#include <cstdint>

namespace spi {

using conv::AnalyseHalf;
using conv::HalfCode;

void encodeConvHalf(const ModelParameters &p, DecoderWorkCells &w, conv::ConstBits info,
                    conv::BlockBits code) {
    HalfCode c;
    if (AnalyseHalf(p, false, c))
        return;
    const int k = c.k;
    const int firstTaps = c.J - 1;
    auto &R = w.convRegister;
    for (int i = 1; i <= k; ++i) {
        const std::uint8_t u = info[i];
        // The last tap is at distance k: its assignment reaches R[i+k] before any XOR of this
        // word does, so that cell starts clean for the next word.
        R[i + k] = u;
        for (int t = 0; t < firstTaps; ++t)
            R[i + c.d[t]] ^= u;
    }
    for (int i = 1; i <= k; ++i) {
        code[2 * i - 1] = info[i];
        code[2 * i] = R[i];
    }
    for (int i = 1; i <= k; ++i)
        R[i] = R[i + k];
}

void decodeConvHalf(const ModelParameters &p, DecoderWorkCells &w, conv::Bits rx,
                    conv::BlockBits copy, conv::Bits decoded) {
    HalfCode c;
    if (AnalyseHalf(p, true, c))
        return;
    const int n = c.n, k = c.k, J = c.J;
    const std::int32_t *d = c.d;
    auto &Q = w.decoderWork3;
    auto &syn = w.parityColumns;

    // With n < 2k the last bits come from what `copy` held before.
    std::copy(rx.begin() + 1, rx.begin() + 1 + n, copy.begin() + 1);
    for (int i = 1; i <= k; ++i) {
        rx[i] = copy[2 * i - 1];
        w.decoderWork2[i] = copy[2 * i];
    }
    for (int i = 1; i <= k; ++i) {
        const std::uint8_t x = rx[i];
        Q[i + k] = x;
        for (int t = 0; t < J - 1; ++t)
            Q[i + d[t]] ^= x;
    }
    for (int i = 1; i <= k; ++i) {
        decoded[i] = w.decoderWork1[i];
        w.decoderWork1[i] = rx[i];
        syn[k + i] = Q[i] ^ w.decoderWork2[i];
        Q[i] = Q[i + k];
    }

    // The check sums of bit j reach the syndromes j+d of the current word: the bits decided are
    // those of the previous word.
    const int half = J / 2 + 1;
    for (int it = 1; it <= p.codeT; ++it) {
        const int threshold = std::max(J - it, half);
        int largest = 0;
        for (int j = 1; j <= k; ++j) {
            int sum = 0;
            for (int t = 0; t < J; ++t)
                sum += syn[j + d[t]];
            largest = std::max(largest, sum);
            if (sum >= threshold) {
                decoded[j] ^= 1;
                for (int t = 0; t < J; ++t)
                    syn[j + d[t]] ^= 1;
            }
        }
        if (largest < half || (it == 1 && largest == half))
            break;
    }

    for (int i = 1; i <= k; ++i)
        syn[i] = syn[i + k];
}

void decodeConv105(int n, DecoderWorkCells &w, conv::ConstBits rx, conv::Bits decoded) {
    n = std::clamp(n, 0, kMaxWord);
    std::fill(decoded.begin() + 1, decoded.begin() + 1 + n, std::uint8_t{0});
    std::uint8_t U1 = w.decoderWork3[1], U2 = w.decoderWork3[2], U3 = w.decoderWork3[3],
                 U4 = w.decoderWork3[4], U5 = w.decoderWork3[5];
    std::uint8_t S1 = w.parityColumns[1], S2 = w.parityColumns[2], S3 = w.parityColumns[3],
                 S4 = w.parityColumns[4], S5 = w.parityColumns[5];
    for (int i = 1; i <= 5; ++i) {
        const std::uint8_t x = rx[2 * i - 1];
        const std::uint8_t y = rx[2 * i];
        const std::uint8_t oldU3 = U3, oldU4 = U4, oldU5 = U5;
        U5 = U4;
        U4 = U3;
        U3 = U2;
        U2 = U1;
        U1 = x;
        const std::uint8_t s = x ^ oldU3 ^ oldU4 ^ oldU5 ^ y;
        // S4 XOR S1 removes the error of the bit after the one decided from the check on S1.
        const int sum = s + S5 + (S4 ^ S1) + S2;
        const std::uint8_t v = sum >= 3 ? 1 : 0;
        const std::uint8_t oldS1 = S1, oldS2 = S2, oldS3 = S3, oldS4 = S4;
        S1 = s ^ v;
        S2 = oldS1 ^ v;
        S3 = oldS2 ^ v;
        S4 = oldS3;
        S5 = oldS4;
        decoded[i] = v ^ oldU5;
    }
    w.decoderWork3[1] = U1;
    w.decoderWork3[2] = U2;
    w.decoderWork3[3] = U3;
    w.decoderWork3[4] = U4;
    w.decoderWork3[5] = U5;
    w.parityColumns[1] = S1;
    w.parityColumns[2] = S2;
    w.parityColumns[3] = S3;
    w.parityColumns[4] = S4;
    w.parityColumns[5] = S5;
}

} // namespace spi
