// The rate k0/n0 coders of code types 7, 12, 15 and 16.
#include "coding/conv_threshold.h"

#include "coding/conv_shape.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace spi {

using conv::AnalyseK0N0;
using conv::K0N0Code;
using conv::KeepK0N0Layout;
using conv::kMaxPolys;

void encodeConvK0N0(ModelState &m) {
    K0N0Code c;
    if (AnalyseK0N0(m, c))
        return;
    KeepK0N0Layout(m, c);
    const int L = c.L, n0 = c.n0, k0 = c.k0, firstTaps = c.J - 1;
    auto &R = m.convRegister;

    if (c.perStep) {
        // All k0 streams add into the one parity bit of a step, and their last taps may meet in
        // one cell: that tap is added like the others (assigning it would drop what the streams
        // before it added), and the cells of the following word are cleared as they move down.
        for (int i = 1; i <= L; ++i) {
            R[i] = R[L + i];
            R[L + i] = 0;
        }
        for (int i = 1; i <= L; ++i) {
            for (int j = 1; j <= k0; ++j) {
                const std::uint8_t u = m.infoWord[(i - 1) * k0 + j];
                const std::int32_t *d = c.d[j];
                R[i + c.mem[j]] ^= u;
                for (int t = 0; t < firstTaps; ++t)
                    R[i + d[t]] ^= u;
                m.codeWord[(i - 1) * n0 + j] = u;
            }
            m.codeWord[i * n0] = R[i];
        }
        return;
    }

    // Rate 1/n0: the parity streams share R[1..L] in turn; stream s keeps what reaches beyond
    // the word at s*L+1.. and takes it back at the start of the next word.
    for (int s = 1; s <= c.polys; ++s) {
        const int ms = c.mem[s];
        const std::int32_t *d = c.d[s];
        const int fold = (s - 1) * L;
        for (int j = 1; j <= ms; ++j)
            R[j] = R[s * L + j];
        for (int j = 1; j <= L; ++j) {
            const std::uint8_t u = m.infoWord[j];
            R[s * ms + j] = u;
            for (int t = 0; t < firstTaps; ++t) {
                int p = j + d[t];
                if (p > L)
                    p += fold;
                R[p] ^= u;
            }
            m.codeWord[(j - 1) * n0 + 1] = u;
            m.codeWord[(j - 1) * n0 + 1 + s] = R[j];
        }
    }
}

namespace {

// The received word is kept whole in channelSeq; its information bits move to the front of rxWord
// in the order the encoder took them.
void SeparateInformation(ModelState &m, const K0N0Code &c) {
    const int L = c.L, n0 = c.n0, k0 = c.k0;
    auto &cs = m.channelSeq;
    std::copy(m.rxWord.begin() + 1, m.rxWord.begin() + 1 + c.n, cs.begin() + 1);
    for (int a = 1; a <= L; ++a)
        for (int i = 1; i <= k0; ++i)
            m.rxWord[(a - 1) * k0 + i] = cs[(a - 1) * n0 + i];
}

// Rate (n0-1)/n0: the encoder's register, kept the same way on the received information, gives
// one syndrome per step at L+1..2L.
void SyndromesPerStep(ModelState &m, const K0N0Code &c) {
    const int L = c.L, n0 = c.n0, k0 = c.k0, J = c.J;
    auto &Q = m.decoderWork3;
    auto &syn = m.parityColumns;
    for (int a = 1; a <= L; ++a)
        m.decoderWork2[a] = m.channelSeq[a * n0];
    for (int l = 1; l <= L; ++l)
        for (int j = 1; j <= k0; ++j) {
            const std::uint8_t x = m.rxWord[(l - 1) * k0 + j];
            const std::int32_t *d = c.d[j];
            Q[l + c.mem[j]] ^= x;
            for (int t = 0; t < J - 1; ++t)
                Q[l + d[t]] ^= x;
        }
    for (int l = 1; l <= L; ++l) {
        syn[L + l] = Q[l] ^ m.decoderWork2[l];
        Q[l] = Q[L + l];
        Q[L + l] = 0;
    }
}

// Rate 1/n0: polynomial s has a syndrome area of its own at 2L(s-1)+1..2Ls, whose upper half this
// word fills.
void SyndromesPerPolynomial(ModelState &m, const K0N0Code &c) {
    const int L = c.L, n0 = c.n0, J = c.J, polys = c.polys;
    auto &Q = m.decoderWork3;
    auto &syn = m.parityColumns;
    for (int a = 1; a <= L; ++a)
        for (int s = 1; s <= polys; ++s)
            m.decoderWork2[(a - 1) * polys + s] = m.channelSeq[(a - 1) * n0 + 1 + s];
    for (int s = 1; s <= polys; ++s) {
        const int ms = c.mem[s];
        const std::int32_t *d = c.d[s];
        const int fold = (s - 1) * L;
        const int area = 2 * L * (s - 1);
        for (int l = 1; l <= ms; ++l)
            Q[l] = Q[s * L + l];
        for (int l = 1; l <= L; ++l) {
            const std::uint8_t x = m.rxWord[l];
            Q[s * ms + l] = x;
            for (int t = 0; t < J - 1; ++t) {
                int p = l + d[t];
                if (p > L)
                    p += fold;
                Q[p] ^= x;
            }
            syn[area + L + l] = Q[l] ^ m.decoderWork2[(l - 1) * polys + s];
        }
    }
}

// One pass over the bits of the previous word with threshold `threshold`; `it` is the pass's
// number (0-based). Returns the largest check sum of the pass.
int VotePass(ModelState &m, const K0N0Code &c, int threshold, int it) {
    const int L = c.L, n0 = c.n0, k0 = c.k0, J = c.J, polys = c.polys;
    const int votesToInvert = VotesToInvert(n0);
    const int fewVotes = (n0 - 1) / 2;
    auto &syn = m.parityColumns;
    std::array<std::uint8_t, kMaxPolys + 1> vote{};
    int largest = 0;
    for (int l = 1; l <= L; ++l) {
        int votes = 0;
        for (int s = 1; s <= polys; ++s) {
            const std::int32_t *d = c.d[s];
            const int base = c.perStep ? l : 2 * L * (s - 1) + l;
            int sum = 0;
            for (int t = 0; t < J; ++t)
                sum += syn[base + d[t]];
            largest = std::max(largest, sum);
            vote[s] = sum >= threshold ? 1 : 0;
            votes += vote[s];
        }
        if (c.perStep) {
            for (int s = 1; s <= polys; ++s) {
                if (!vote[s])
                    continue;
                const std::int32_t *d = c.d[s];
                m.decodedWord[(l - 1) * k0 + s] ^= 1;
                for (int t = 0; t < J; ++t)
                    syn[l + d[t]] ^= 1;
            }
        } else {
            const bool keep = votes < votesToInvert && (votes < fewVotes || it >= 3);
            if (!keep) {
                m.decodedWord[l] ^= 1;
                for (int s = 1; s <= polys; ++s) {
                    const std::int32_t *d = c.d[s];
                    const int base = 2 * L * (s - 1) + l;
                    for (int t = 0; t < J; ++t)
                        syn[base + d[t]] ^= 1;
                }
            }
        }
    }
    return largest;
}

// The syndromes of the current word become those of the previous one.
void ShiftSyndromes(ModelState &m, const K0N0Code &c) {
    const int L = c.L;
    auto &syn = m.parityColumns;
    const int areas = c.perStep ? 1 : c.polys;
    for (int s = 1; s <= areas; ++s) {
        const int base = 2 * L * (s - 1);
        for (int i = 1; i <= L; ++i)
            syn[base + i] = syn[base + L + i];
    }
}

} // namespace

void decodeConvK0N0(ModelState &m) {
    K0N0Code c;
    if (AnalyseK0N0(m, c))
        return;
    KeepK0N0Layout(m, c);
    SeparateInformation(m, c);
    if (c.perStep)
        SyndromesPerStep(m, c);
    else
        SyndromesPerPolynomial(m, c);

    for (int a = 1; a <= c.k; ++a) {
        m.decodedWord[a] = m.decoderWork1[a];
        m.decoderWork1[a] = m.rxWord[a];
    }

    // Every polynomial votes on a bit of the previous word with its check sum over the
    // syndromes of that word and the current one. At rate 1/n0 the votes decide one bit
    // together; at rate (n0-1)/n0 each polynomial decides its own information stream.
    const int half = c.J / 2 + 1;
    int it = 0;
    for (;;) {
        const int largest = VotePass(m, c, ThresholdOfPass(c.J, it), it);
        ++it;
        if (it >= m.codeT || largest < half)
            break;
    }
    ShiftSyndromes(m, c);
}

} // namespace spi
