#include "coding/conv_threshold.h"

#include "coding/code_catalogue.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace spi {

namespace {

// A set of rate k0/n0 has n0-1 polynomials: convTapMax holds 1..7 of them, and the selection of
// the coder window never offers more than seven.
constexpr int kMaxPolys = 7;

// Why settings cannot be coded, with the values the message names. Built without allocating, so
// that every coder can test its settings on every word.
struct Fault {
    enum Kind {
        None,
        TermCount,     // value: genPolyTermCount
        NegativeTap,   // value: the tap
        WordLength,    // value: n (outside 0..2100)
        InfoLength,    // value: k (outside 0..2100)
        N0TooSmall,    // value: n0
        N0TooLarge,    // value: n0
        Rate,          // value: k0, extra: n0
        PolyRow,       // value: the row number, extra: which polynomial (1-based)
        NoTable,       // the model has no tap table
        WordIndex,     // value: largest index into a word buffer (2100)
        CodeIndex,     // value: largest index into codeWord or channelSeq (5000)
        RegisterIndex, // value: largest register index (2100)
        SyndromeIndex, // value: largest syndrome index (10000)
    };
    Kind kind = None;
    long long value = 0;
    long long extra = 0;

    explicit operator bool() const { return kind != None; }
};

Fault Refuse(Fault::Kind kind, long long value, long long extra = 0) {
    return Fault{kind, value, extra};
}

// The largest of the first `count` taps, 0 when there are none; a negative tap is reported
// through `negative`.
long long LargestTap(const std::int32_t *taps, int count, long long &negative) {
    long long top = 0;
    for (int t = 0; t < count; ++t) {
        top = std::max<long long>(top, taps[t]);
        if (taps[t] < 0)
            negative = std::min<long long>(negative, taps[t]);
    }
    return top;
}

Fault CheckIndices(long long word, long long code, long long reg, long long syn) {
    if (word > kMaxWord)
        return Refuse(Fault::WordIndex, word);
    if (code > kMaxBlock)
        return Refuse(Fault::CodeIndex, code);
    if (reg > kMaxWord)
        return Refuse(Fault::RegisterIndex, reg);
    if (syn > kMaxParity)
        return Refuse(Fault::SyndromeIndex, syn);
    return {};
}

Fault CheckLengths(const ModelState &m) {
    if (m.genPolyTermCount < 0 || m.genPolyTermCount > kPolyTerms)
        return Refuse(Fault::TermCount, m.genPolyTermCount);
    if (m.codeN < 0 || m.codeN > kMaxWord)
        return Refuse(Fault::WordLength, m.codeN);
    if (m.codeK < 0 || m.codeK > kMaxWord)
        return Refuse(Fault::InfoLength, m.codeK);
    return {};
}

// ---------------------------------------------------------------------------------------------
// Rate 1/2, code types 1 and 6: one polynomial, all of genPolyTerms; the last tap is taken to be
// k (= m) by the register.

struct HalfCode {
    int n = 0;
    int k = 0;
    int J = 0;
    const std::int32_t *d = nullptr;
};

Fault AnalyseHalf(const ModelState &m, bool withDecoder, HalfCode &c) {
    if (Fault f = CheckLengths(m))
        return f;
    c.n = m.codeN;
    c.k = m.codeK;
    c.J = m.genPolyTermCount;
    c.d = m.genPolyTerms.data();
    long long negative = 0;
    const long long firstTaps = LargestTap(c.d, std::max(c.J - 1, 0), negative);
    const long long allTaps = LargestTap(c.d, c.J, negative);
    if (negative < 0)
        return Refuse(Fault::NegativeTap, negative);
    const long long k = c.k;
    const long long reg = std::max(2 * k, k + firstTaps);
    const long long syn = withDecoder ? std::max(2 * k, k + allTaps) : 0;
    return CheckIndices(0, 2 * k, reg, syn);
}

// ---------------------------------------------------------------------------------------------
// Rate k0/n0, code types 7, 12, 15, 16: n0-1 polynomials of J taps each, in genPolyTerms in the
// order of selection; the memory of each is the m column of its tap-table row.

struct K0N0Code {
    int n = 0;
    int k = 0;
    int n0 = 0;
    int k0 = 0;
    int L = 0;            // steps per word
    int J = 0;            // taps per polynomial
    int polys = 0;        // n0-1
    bool perStep = false; // rate (n0-1)/n0: one parity bit per step; else rate 1/n0
    std::array<const std::int32_t *, kMaxPolys + 1> d{}; // 1..polys
    std::array<int, kMaxPolys + 1> mem{};                // 1..polys
};

Fault AnalyseK0N0(const ModelState &m, K0N0Code &c) {
    if (Fault f = CheckLengths(m))
        return f;
    c.n = m.codeN;
    c.k = m.codeK;
    c.n0 = m.convN0;
    c.k0 = m.convK0;
    if (c.n0 < 2)
        return Refuse(Fault::N0TooSmall, c.n0);
    if (c.n0 - 1 > kMaxPolys)
        return Refuse(Fault::N0TooLarge, c.n0);
    if (c.k0 != 1 && c.k0 != c.n0 - 1)
        return Refuse(Fault::Rate, c.k0, c.n0);
    if (m.tapTable == nullptr)
        return Refuse(Fault::NoTable, 0);
    c.polys = c.n0 - 1;
    c.perStep = c.n0 - c.k0 == 1;
    c.J = m.genPolyTermCount / c.polys;
    // k > n leaves a rate (n0-1)/n0 word no steps at all, as a negative count would.
    c.L = std::max(c.k0 == 1 ? c.k : c.n - c.k, 0);
    for (int j = 1; j <= c.polys; ++j) {
        const int row = m.polyNumbers[j - 1];
        if (row < 1 || row > kTapRows)
            return Refuse(Fault::PolyRow, row, j);
        c.mem[j] = m.tapTable[row].m;
        c.d[j] = m.genPolyTerms.data() + static_cast<std::ptrdiff_t>(j - 1) * c.J;
    }

    const long long L = c.L, n0 = c.n0, k0 = c.k0;
    long long negative = 0;
    long long allTaps = 0;
    long long reg = 2 * L;
    for (int s = 1; s <= c.polys; ++s) {
        const std::int32_t *d = c.d[s];
        const long long ms = c.mem[s];
        const long long firstTaps = LargestTap(d, std::max(c.J - 1, 0), negative);
        allTaps = std::max(allTaps, LargestTap(d, c.J, negative));
        if (c.perStep) {
            reg = std::max({reg, L + ms, L + firstTaps});
        } else {
            // The carry is read from s*L+1.., the last tap written at s*m_s+j, and a tap beyond
            // the word folds back to (s-1)*L above its place.
            reg = std::max({reg, s * L + ms, s * ms + L, s * L + firstTaps});
        }
    }
    if (negative < 0)
        return Refuse(Fault::NegativeTap, negative);

    long long word = c.k;
    long long syn;
    if (c.perStep) {
        word = std::max({word, L * k0, L});
        syn = std::max(2 * L, L + allTaps);
    } else {
        word = std::max({word, L, L * (n0 - 1)});
        syn = std::max(2 * L * (n0 - 1), 2 * L * (n0 - 2) + L + allTaps);
    }
    return CheckIndices(word, L * n0, reg, syn);
}

void KeepK0N0Layout(ModelState &m, const K0N0Code &c) {
    for (int j = 1; j <= c.polys; ++j)
        m.convTapMax[j] = c.mem[j];
    m.convStepsPerWord = c.L;
}

std::string S(long long v) {
    return std::to_string(v);
}

std::string Describe(const Fault &f) {
    switch (f.kind) {
    case Fault::None:
        return {};
    case Fault::TermCount:
        return "Свёрточный код: число членов g(x) " + S(f.value) + " вне пределов 0.." +
               S(kPolyTerms) + ".";
    case Fault::NegativeTap:
        return "Свёрточный код: отрицательная степень " + S(f.value) + " в наборе g(x).";
    case Fault::WordLength:
        return "Свёрточный код: длина кодового блока n=" + S(f.value) + " вне пределов 0.." +
               S(kMaxWord) + ".";
    case Fault::InfoLength:
        return "Свёрточный код: число информационных символов k=" + S(f.value) +
               " вне пределов 0.." + S(kMaxWord) + ".";
    case Fault::N0TooSmall:
        return "Свёрточный код: n0=" + S(f.value) +
               ", а должно быть не меньше 2 (выберите хотя бы один многочлен).";
    case Fault::N0TooLarge:
        return "Свёрточный код: n0=" + S(f.value) + " больше " + S(kMaxPolys + 1) +
               " (допустимо не более " + S(kMaxPolys) + " многочленов).";
    case Fault::Rate:
        return "Свёрточный код: скорость k0/n0=" + S(f.value) + "/" + S(f.extra) +
               " не поддерживается; допустимы 1/n0 и (n0-1)/n0.";
    case Fault::PolyRow:
        return "Свёрточный код: номер многочлена " + S(f.extra) + " равен " + S(f.value) +
               ", а должен быть в пределах 1.." + S(kTapRows) + ".";
    case Fault::NoTable:
        return "Свёрточный код: таблица многочленов не загружена.";
    case Fault::WordIndex:
        return "Свёрточный код: индекс символа слова " + S(f.value) + " больше " + S(kMaxWord) +
               " (проверьте n, k, n0, k0).";
    case Fault::CodeIndex:
        return "Свёрточный код: индекс символа кодового слова " + S(f.value) + " больше " +
               S(kMaxBlock) + " (проверьте n, k, n0, k0).";
    case Fault::RegisterIndex:
        return "Свёрточный код: индекс регистра кодера " + S(f.value) + " больше " + S(kMaxWord) +
               " (уменьшите k или степени многочленов).";
    case Fault::SyndromeIndex:
        return "Свёрточный код: индекс синдрома " + S(f.value) + " больше " + S(kMaxParity) +
               " (уменьшите k, n0 или степени многочленов).";
    }
    return {};
}

} // namespace

// Threshold of pass `it` (0-based) of the rate k0/n0 decoder: J-1 twice, then J-2, J-3, and the
// majority J div 2 + 1 from the fifth pass on; never below that majority.
int ThresholdOfPass(int J, int it) {
    const int half = J / 2 + 1;
    int t = half;
    if (it <= 1)
        t = J - 1;
    else if (it == 2)
        t = J - 2;
    else if (it == 3)
        t = J - 3;
    return std::max(t, half);
}

// Round(n0/2), half to even: 3 gives 2, 5 gives 2, 7 gives 4.
int VotesToInvert(int n0) {
    const int q = n0 / 2;
    if (n0 % 2 == 0)
        return q;
    return q % 2 == 0 ? q : q + 1;
}

std::optional<std::string> CheckConvThresholdSettings(const ModelState &m) {
    Fault f;
    const Decoder decoder = CodeTypeRow(m.codeType).decoder;
    if (decoder == Decoder::ConvHalf || decoder == Decoder::Conv105) {
        HalfCode c;
        f = AnalyseHalf(m, decoder == Decoder::ConvHalf, c);
    } else if (decoder == Decoder::ConvK0N0) {
        K0N0Code c;
        f = AnalyseK0N0(m, c);
    }
    if (f)
        return Describe(f);
    return std::nullopt;
}

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

void decodeConvK0N0(ModelState &m) {
    K0N0Code c;
    if (AnalyseK0N0(m, c))
        return;
    KeepK0N0Layout(m, c);
    const int n = c.n, k = c.k, L = c.L, n0 = c.n0, k0 = c.k0, J = c.J, polys = c.polys;
    auto &Q = m.decoderWork3;
    auto &syn = m.parityColumns;
    auto &cs = m.channelSeq;

    std::copy(m.rxWord.begin() + 1, m.rxWord.begin() + 1 + n, cs.begin() + 1);
    for (int a = 1; a <= L; ++a)
        for (int i = 1; i <= k0; ++i)
            m.rxWord[(a - 1) * k0 + i] = cs[(a - 1) * n0 + i];

    if (c.perStep) {
        // The encoder's register, kept the same way on the received information.
        for (int a = 1; a <= L; ++a)
            m.decoderWork2[a] = cs[a * n0];
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
    } else {
        for (int a = 1; a <= L; ++a)
            for (int s = 1; s <= polys; ++s)
                m.decoderWork2[(a - 1) * polys + s] = cs[(a - 1) * n0 + 1 + s];
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

    for (int a = 1; a <= k; ++a) {
        m.decodedWord[a] = m.decoderWork1[a];
        m.decoderWork1[a] = m.rxWord[a];
    }

    // Every polynomial votes on a bit of the previous word with its check sum over the
    // syndromes of that word and the current one. At rate 1/n0 the votes decide one bit
    // together; at rate (n0-1)/n0 each polynomial decides its own information stream.
    const int half = J / 2 + 1;
    const int votesToInvert = VotesToInvert(n0);
    const int fewVotes = (n0 - 1) / 2;
    std::array<std::uint8_t, kMaxPolys + 1> vote{};
    int it = 0;
    for (;;) {
        const int threshold = ThresholdOfPass(J, it);
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
        ++it;
        if (it >= m.codeT || largest < half)
            break;
    }

    const int areas = c.perStep ? 1 : polys;
    for (int s = 1; s <= areas; ++s) {
        const int base = 2 * L * (s - 1);
        for (int i = 1; i <= L; ++i)
            syn[base + i] = syn[base + L + i];
    }
}

} // namespace spi
