// The rate-1/2 coders of code types 1 and 6.
#include "coding/conv_threshold.h"

#include "coding/conv_shape.h"

#include <algorithm>
#include <cstdint>

namespace spi {

using conv::AnalyseHalf;
using conv::HalfCode;

void encodeConvHalf(ModelState &m) {
    HalfCode c;
    if (AnalyseHalf(m, false, c))
        return;
    const int k = c.k;
    const int firstTaps = c.J - 1;
    auto &R = m.convRegister;
    for (int i = 1; i <= k; ++i) {
        const std::uint8_t u = m.infoWord[i];
        // The last tap is at distance k: its assignment reaches R[i+k] before any XOR of this
        // word does, so that cell starts clean for the next word.
        R[i + k] = u;
        for (int t = 0; t < firstTaps; ++t)
            R[i + c.d[t]] ^= u;
    }
    for (int i = 1; i <= k; ++i) {
        m.codeWord[2 * i - 1] = m.infoWord[i];
        m.codeWord[2 * i] = R[i];
    }
    for (int i = 1; i <= k; ++i)
        R[i] = R[i + k];
}

void decodeConvHalf(ModelState &m) {
    HalfCode c;
    if (AnalyseHalf(m, true, c))
        return;
    const int n = c.n, k = c.k, J = c.J;
    const std::int32_t *d = c.d;
    auto &Q = m.decoderWork3;
    auto &syn = m.parityColumns;

    std::copy(m.rxWord.begin() + 1, m.rxWord.begin() + 1 + n, m.channelSeq.begin() + 1);
    for (int i = 1; i <= k; ++i) {
        m.rxWord[i] = m.channelSeq[2 * i - 1];
        m.decoderWork2[i] = m.channelSeq[2 * i];
    }
    for (int i = 1; i <= k; ++i) {
        const std::uint8_t x = m.rxWord[i];
        Q[i + k] = x;
        for (int t = 0; t < J - 1; ++t)
            Q[i + d[t]] ^= x;
    }
    for (int i = 1; i <= k; ++i) {
        m.decodedWord[i] = m.decoderWork1[i];
        m.decoderWork1[i] = m.rxWord[i];
        syn[k + i] = Q[i] ^ m.decoderWork2[i];
        Q[i] = Q[i + k];
    }

    // The check sums of bit j reach the syndromes j+d of the current word: the bits decided are
    // those of the previous word.
    const int half = J / 2 + 1;
    for (int it = 1; it <= m.codeT; ++it) {
        const int threshold = std::max(J - it, half);
        int largest = 0;
        for (int j = 1; j <= k; ++j) {
            int sum = 0;
            for (int t = 0; t < J; ++t)
                sum += syn[j + d[t]];
            largest = std::max(largest, sum);
            if (sum >= threshold) {
                m.decodedWord[j] ^= 1;
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

void decodeConv105(ModelState &m) {
    const int n = std::clamp(m.codeN, 0, kMaxWord);
    std::fill(m.decodedWord.begin() + 1, m.decodedWord.begin() + 1 + n, std::uint8_t{0});
    std::uint8_t U1 = m.decoderWork3[1], U2 = m.decoderWork3[2], U3 = m.decoderWork3[3],
                 U4 = m.decoderWork3[4], U5 = m.decoderWork3[5];
    std::uint8_t S1 = m.parityColumns[1], S2 = m.parityColumns[2], S3 = m.parityColumns[3],
                 S4 = m.parityColumns[4], S5 = m.parityColumns[5];
    for (int i = 1; i <= 5; ++i) {
        const std::uint8_t x = m.rxWord[2 * i - 1];
        const std::uint8_t y = m.rxWord[2 * i];
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
        m.decodedWord[i] = v ^ oldU5;
    }
    m.decoderWork3[1] = U1;
    m.decoderWork3[2] = U2;
    m.decoderWork3[3] = U3;
    m.decoderWork3[4] = U4;
    m.decoderWork3[5] = U5;
    m.parityColumns[1] = S1;
    m.parityColumns[2] = S2;
    m.parityColumns[3] = S3;
    m.parityColumns[4] = S4;
    m.parityColumns[5] = S5;
}

} // namespace spi
