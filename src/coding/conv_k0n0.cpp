// The rate k0/n0 coders of code types 7, 12, 15 and 16.
#include "coding/conv_threshold.h"

#include "coding/conv_shape.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace spi {

using conv::AnalyseK0N0;
using conv::K0N0Code;
using conv::KeepK0N0Layout;
using conv::kMaxPolys;

void encodeConvK0N0(const ModelParameters &p, const TapRow *taps, ConvThresholdState &state,
                    DecoderWorkCells &w, conv::ConstBits info, conv::BlockBits code) {
    K0N0Code c;
    if (AnalyseK0N0(p, taps, c))
        return;
    KeepK0N0Layout(state, c);
    const int L = c.L, n0 = c.n0, k0 = c.k0, firstTaps = c.J - 1;
    auto &R = w.convRegister;

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
                const std::uint8_t u = info[(i - 1) * k0 + j];
                const std::int32_t *d = c.d[j];
                R[i + c.mem[j]] ^= u;
                for (int t = 0; t < firstTaps; ++t)
                    R[i + d[t]] ^= u;
                code[(i - 1) * n0 + j] = u;
            }
            code[i * n0] = R[i];
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
            const std::uint8_t u = info[j];
            R[s * ms + j] = u;
            for (int t = 0; t < firstTaps; ++t) {
                int at = j + d[t];
                if (at > L)
                    at += fold;
                R[at] ^= u;
            }
            code[(j - 1) * n0 + 1] = u;
            code[(j - 1) * n0 + 1 + s] = R[j];
        }
    }
}

namespace {

using ReceivedCopy = std::span<const std::uint8_t, kMaxBlock + 1>;

// The received word is kept whole in `copy`; its information bits move to the front of `rx` in
// the order the encoder took them. A step beyond the received word's n reads what `copy` held.
void SeparateInformation(const K0N0Code &c, conv::Bits rx, conv::BlockBits copy) {
    const int L = c.L, n0 = c.n0, k0 = c.k0;
    std::copy(rx.begin() + 1, rx.begin() + 1 + c.n, copy.begin() + 1);
    for (int a = 1; a <= L; ++a)
        for (int i = 1; i <= k0; ++i)
            rx[(a - 1) * k0 + i] = copy[(a - 1) * n0 + i];
}

// Rate (n0-1)/n0: the encoder's register, kept the same way on the received information, gives
// one syndrome per step at L+1..2L.
void SyndromesPerStep(const K0N0Code &c, DecoderWorkCells &w, conv::ConstBits rx,
                      ReceivedCopy copy) {
    const int L = c.L, n0 = c.n0, k0 = c.k0, J = c.J;
    auto &Q = w.decoderWork3;
    auto &syn = w.parityColumns;
    for (int a = 1; a <= L; ++a)
        w.decoderWork2[a] = copy[a * n0];
    for (int l = 1; l <= L; ++l)
        for (int j = 1; j <= k0; ++j) {
            const std::uint8_t x = rx[(l - 1) * k0 + j];
            const std::int32_t *d = c.d[j];
            Q[l + c.mem[j]] ^= x;
            for (int t = 0; t < J - 1; ++t)
                Q[l + d[t]] ^= x;
        }
    for (int l = 1; l <= L; ++l) {
        syn[L + l] = Q[l] ^ w.decoderWork2[l];
        Q[l] = Q[L + l];
        Q[L + l] = 0;
    }
}

// Rate 1/n0: polynomial s has a syndrome area of its own at 2L(s-1)+1..2Ls, whose upper half this
// word fills.
void SyndromesPerPolynomial(const K0N0Code &c, DecoderWorkCells &w, conv::ConstBits rx,
                            ReceivedCopy copy) {
    const int L = c.L, n0 = c.n0, J = c.J, polys = c.polys;
    auto &Q = w.decoderWork3;
    auto &syn = w.parityColumns;
    for (int a = 1; a <= L; ++a)
        for (int s = 1; s <= polys; ++s)
            w.decoderWork2[(a - 1) * polys + s] = copy[(a - 1) * n0 + 1 + s];
    for (int s = 1; s <= polys; ++s) {
        const int ms = c.mem[s];
        const std::int32_t *d = c.d[s];
        const int fold = (s - 1) * L;
        const int area = 2 * L * (s - 1);
        for (int l = 1; l <= ms; ++l)
            Q[l] = Q[s * L + l];
        for (int l = 1; l <= L; ++l) {
            const std::uint8_t x = rx[l];
            Q[s * ms + l] = x;
            for (int t = 0; t < J - 1; ++t) {
                int at = l + d[t];
                if (at > L)
                    at += fold;
                Q[at] ^= x;
            }
            syn[area + L + l] = Q[l] ^ w.decoderWork2[(l - 1) * polys + s];
        }
    }
}

using Syndromes = std::array<std::uint8_t, kMaxParity + 1>;

// One pass over the bits of the previous word with threshold `threshold`; `it` is the pass's
// number (0-based). Returns the largest check sum of the pass.
int VotePass(const K0N0Code &c, Syndromes &syn, conv::Bits decoded, int threshold, int it) {
    const int L = c.L, n0 = c.n0, k0 = c.k0, J = c.J, polys = c.polys;
    const int votesToInvert = VotesToInvert(n0);
    const int fewVotes = (n0 - 1) / 2;
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
                decoded[(l - 1) * k0 + s] ^= 1;
                for (int t = 0; t < J; ++t)
                    syn[l + d[t]] ^= 1;
            }
        } else {
            const bool keep = votes < votesToInvert && (votes < fewVotes || it >= 3);
            if (!keep) {
                decoded[l] ^= 1;
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
void ShiftSyndromes(const K0N0Code &c, Syndromes &syn) {
    const int L = c.L;
    const int areas = c.perStep ? 1 : c.polys;
    for (int s = 1; s <= areas; ++s) {
        const int base = 2 * L * (s - 1);
        for (int i = 1; i <= L; ++i)
            syn[base + i] = syn[base + L + i];
    }
}

} // namespace

void decodeConvK0N0(const ModelParameters &p, const TapRow *taps, ConvThresholdState &state,
                    DecoderWorkCells &w, conv::Bits rx, conv::BlockBits copy, conv::Bits decoded) {
    K0N0Code c;
    if (AnalyseK0N0(p, taps, c))
        return;
    KeepK0N0Layout(state, c);
    SeparateInformation(c, rx, copy);
    if (c.perStep)
        SyndromesPerStep(c, w, rx, copy);
    else
        SyndromesPerPolynomial(c, w, rx, copy);

    for (int a = 1; a <= c.k; ++a) {
        decoded[a] = w.decoderWork1[a];
        w.decoderWork1[a] = rx[a];
    }

    // Every polynomial votes on a bit of the previous word with its check sum over the
    // syndromes of that word and the current one. At rate 1/n0 the votes decide one bit
    // together; at rate (n0-1)/n0 each polynomial decides its own information stream.
    const int half = c.J / 2 + 1;
    int it = 0;
    for (;;) {
        const int largest = VotePass(c, w.parityColumns, decoded, ThresholdOfPass(c.J, it), it);
        ++it;
        if (it >= p.codeT || largest < half)
            break;
    }
    ShiftSyndromes(c, w.parityColumns);
}

} // namespace spi
