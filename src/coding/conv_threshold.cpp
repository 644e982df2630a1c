// What both code families share: the reading of their settings, the messages that refuse them,
// and the thresholds of the iterative decoders.
#include "coding/conv_threshold.h"

#include "coding/code_catalogue.h"
#include "coding/conv_shape.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace spi {

namespace conv {

namespace {

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

Fault CheckLengths(const ModelParameters &p) {
    if (p.genPolyTermCount < 0 || p.genPolyTermCount > kPolyTerms)
        return Refuse(Fault::TermCount, p.genPolyTermCount);
    if (p.codeN < 0 || p.codeN > kMaxWord)
        return Refuse(Fault::WordLength, p.codeN);
    if (p.codeK < 0 || p.codeK > kMaxWord)
        return Refuse(Fault::InfoLength, p.codeK);
    return {};
}

} // namespace

Fault AnalyseHalf(const ModelParameters &p, bool withDecoder, HalfCode &c) {
    if (Fault f = CheckLengths(p))
        return f;
    c.n = p.codeN;
    c.k = p.codeK;
    c.J = p.genPolyTermCount;
    c.d = p.genPolyTerms.data();
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

Fault AnalyseK0N0(const ModelParameters &p, const TapRow *taps, K0N0Code &c) {
    if (Fault f = CheckLengths(p))
        return f;
    c.n = p.codeN;
    c.k = p.codeK;
    c.n0 = p.convN0;
    c.k0 = p.convK0;
    if (c.n0 < 2)
        return Refuse(Fault::N0TooSmall, c.n0);
    if (c.n0 - 1 > kMaxPolys)
        return Refuse(Fault::N0TooLarge, c.n0);
    if (c.k0 != 1 && c.k0 != c.n0 - 1)
        return Refuse(Fault::Rate, c.k0, c.n0);
    if (taps == nullptr)
        return Refuse(Fault::NoTable, 0);
    c.polys = c.n0 - 1;
    c.perStep = c.n0 - c.k0 == 1;
    c.J = p.genPolyTermCount / c.polys;
    // k > n leaves a rate (n0-1)/n0 word no steps at all, as a negative count would.
    c.L = std::max(c.k0 == 1 ? c.k : c.n - c.k, 0);
    for (int j = 1; j <= c.polys; ++j) {
        const int row = p.polyNumbers[j - 1];
        if (row < 1 || row > kTapRows)
            return Refuse(Fault::PolyRow, row, j);
        c.mem[j] = taps[row].m;
        c.d[j] = p.genPolyTerms.data() + static_cast<std::ptrdiff_t>(j - 1) * c.J;
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

void KeepK0N0Layout(ConvThresholdState &s, const K0N0Code &c) {
    for (int j = 1; j <= c.polys; ++j)
        s.convTapMax[j] = c.mem[j];
    s.convStepsPerWord = c.L;
}

namespace {

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

} // namespace conv

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

std::optional<std::string> CheckConvThresholdSettings(const ModelParameters &p,
                                                      const TapRow *taps) {
    conv::Fault f;
    const Decoder decoder = CodeTypeRow(p.codeType).decoder;
    if (decoder == Decoder::ConvHalf || decoder == Decoder::Conv105) {
        conv::HalfCode c;
        f = conv::AnalyseHalf(p, decoder == Decoder::ConvHalf, c);
    } else if (decoder == Decoder::ConvK0N0) {
        conv::K0N0Code c;
        f = conv::AnalyseK0N0(p, taps, c);
    }
    if (f)
        return conv::Describe(f);
    return std::nullopt;
}

} // namespace spi
