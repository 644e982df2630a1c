#include "coding/reed_solomon.h"

#include "coding/galois_field.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace spi {

namespace {

static_assert(std::endian::native == std::endian::little,
              "symbols are packed from bit bytes with little-endian word loads");

// A word is N symbols of m bits; the first transmitted symbol is the coefficient of x^(N-1), so
// position p (the coefficient of x^p) is symbol N - p.
struct RsShape {
    int m = 0; // bits per symbol
    int n = 0; // N
    int k = 0; // K
    int t = 0;
    bool valid = false;
};

// The run refuses a code that has not been set up (CheckNonBinaryCode); a direct call on such a
// model passes the bits through instead of reading tables that were never built.
RsShape ShapeOf(const ModelParameters &p, const GaloisCoderState &state) {
    RsShape s;
    s.m = state.gfDegree;
    s.n = state.gfOrder;
    s.k = state.rsK;
    s.valid = s.m >= kMinFieldDegree && s.m <= kMaxFieldDegree && s.n == (1 << s.m) - 1 &&
              s.k >= 1 && s.k < s.n;
    if (s.valid)
        s.t = std::clamp<int>(p.codeT, 0, (s.n - s.k) / 2);
    return s;
}

// The m bits at bits[0..m-1] (one per byte, least significant first) as one symbol. Loads eight
// bytes: the words hold 2100 bits, past the longest code's 2040.
inline std::uint8_t PackSymbol(const std::uint8_t *bits, int m) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, bits, sizeof eight);
    const std::uint64_t bytes = m >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * m)) - 1;
    eight &= bytes & 0x0101010101010101ull;
    // Byte i's low bit lands in bit 56 + i.
    return static_cast<std::uint8_t>((eight * 0x0102040810204080ull) >> 56);
}

// Symbols symbols[0..count-1] into count*m bit bytes; writes nothing past them.
void UnpackSymbols(const std::uint8_t *symbols, int count, int m, std::uint8_t *bits) {
    const int total = count * m;
    for (int h = 0; h < count; ++h) {
        // Bit j of the symbol to bit 7 of byte j, then down to bit 0.
        std::uint64_t spread = (symbols[h] * 0x0101010101010101ull) & 0x8040201008040201ull;
        spread = ((spread + 0x7F7F7F7F7F7F7F7Full) >> 7) & 0x0101010101010101ull;
        const int at = h * m;
        if (at + 8 <= total)
            std::memcpy(bits + at, &spread, sizeof spread);
        else
            for (int j = 0; j < m; ++j)
                bits[at + j] = static_cast<std::uint8_t>((spread >> (8 * j)) & 1u);
    }
}

void PassThrough(const ModelParameters &p, std::span<const std::uint8_t, kMaxWord + 1> rx,
                 std::span<std::uint8_t, kMaxWord + 1> decoded) {
    const int k = std::clamp<int>(p.codeK, 0, kMaxWord);
    std::copy(rx.begin() + 1, rx.begin() + 1 + k, decoded.begin() + 1);
}

// g(x) = (x + alpha)(x + alpha^2)...(x + alpha^(N-K)), lowest coefficient first: the same
// coefficients as the catalogue's stored exponents.
void BuildGenerator(GaloisCoderState &state, const RsShape &s) {
    const int r = s.n - s.k;
    auto &g = state.rsGenerator;
    std::fill(g.begin(), g.begin() + r + 1, 0);
    g[0] = 1;
    for (int i = 1; i <= r; ++i) {
        const std::uint8_t root = state.gfExp[i];
        for (int j = i; j >= 1; --j)
            g[j] = static_cast<std::uint8_t>(g[j - 1] ^
                                             GfMultiply(state.gfExp, state.gfLog, s.n, g[j], root));
        g[0] = GfMultiply(state.gfExp, state.gfLog, s.n, g[0], root);
    }
}

// The received word into rsSymbols[1..N].
void ReceiveSymbols(GaloisCoderState &state, std::span<const std::uint8_t, kMaxWord + 1> rx,
                    const RsShape &s) {
    for (int h = 1; h <= s.n; ++h)
        state.rsSymbols[h] =
            PackSymbol(rx.data() + static_cast<std::ptrdiff_t>(s.m) * (h - 1) + 1, s.m);
}

// syndrome[r] = v(alpha^r) for r = 1..count, with v[p] = symbol N - p.
void ComputeSyndromesPlain(const FastField &f, const std::uint8_t *symbols, int n, int count,
                           std::uint8_t *syndrome) {
    LogWord logSymbol{};
    for (int h = 1; h <= n; ++h)
        logSymbol[h] = f.Log(symbols[h]);
    std::array<int, kMaxFieldOrder + 1> points{};
    for (int r = 1; r <= count; ++r)
        points[r - 1] = r;
    EvaluateWord(f, logSymbol, points.data(), count, syndrome + 1);
}

// The same by Horner's rule, symbol 1 first: acc = acc * alpha^r + symbol, the product read from
// a row of 256 kept in the state for each r; eight syndromes side by side.
void ComputeSyndromes(const FastField &f, GaloisWordTables &cache, const std::uint8_t *symbols,
                      int n, int count, std::uint8_t *syndrome) {
    constexpr int kSide = 8;
    if (cache.powerCount != count) {
        // Whole groups of rows, so that the last group reads rows of its own (zeros).
        const int groups = (count + kSide - 1) / kSide;
        cache.powerProducts.assign(static_cast<std::size_t>(groups) * kSide * 256, 0);
        for (int r = 1; r <= count; ++r)
            for (int a = 0; a < 256; ++a)
                cache.powerProducts[static_cast<std::size_t>(r - 1) * 256 +
                                    static_cast<std::size_t>(a)] =
                    f.MulPow(static_cast<std::uint8_t>(a), r % f.Order());
        cache.powerCount = count;
    }
    for (int r0 = 0; r0 < count; r0 += kSide) {
        const int side = std::min(kSide, count - r0);
        const std::uint8_t *rows =
            cache.powerProducts.data() + static_cast<std::ptrdiff_t>(r0) * 256;
        std::array<std::uint8_t, kSide> acc{};
        for (int h = 1; h <= n; ++h) {
            const std::uint8_t symbol = symbols[h];
            for (int i = 0; i < kSide; ++i)
                acc[i] = rows[i * 256 + acc[i]] ^ symbol;
        }
        std::copy(acc.begin(), acc.begin() + side, syndrome + 1 + r0);
    }
}

void Syndromes(const FastField &f, GaloisCoderState &state, int n, int count,
               std::uint8_t *syndrome, bool plain) {
    if (plain)
        ComputeSyndromesPlain(f, state.rsSymbols.data(), n, count, syndrome);
    else
        ComputeSyndromes(f, state.rsTables, state.rsSymbols.data(), n, count, syndrome);
}

bool AnyNonZero(const std::uint8_t *a, int from, int to) {
    std::uint8_t any = 0;
    for (int i = from; i <= to; ++i)
        any |= a[i];
    return any != 0;
}

// The information symbols h = 1..K at which poly(alpha^h) = 0, in increasing order; deg < N.
int InformationRoots(const FastField &f, const std::uint8_t *poly, int deg, int k,
                     std::array<int, kMaxFieldOrder + 1> &roots, bool plain) {
    const int found = (plain ? FindRootsPlain : FindRoots)(f, poly, deg, 1, +1, k, roots.data());
    for (int j = 0; j < found; ++j)
        ++roots[j];
    return found;
}

// poly(alpha^e) for 0 <= e < N by Horner's rule, poly of degree deg.
std::uint8_t EvaluateAt(const FastField &f, const std::uint8_t *poly, int deg, int e) {
    std::uint8_t acc = 0;
    for (int i = deg; i >= 0; --i)
        acc = static_cast<std::uint8_t>(f.MulPow(acc, e) ^ poly[i]);
    return acc;
}

// The polynomials of "АБМЧ", coefficients 0..t.
using HalfPoly = std::array<std::uint8_t, kMaxFieldOrder / 2 + 2>;

// The Berlekamp-Massey steps of "АБМЧ" with the evaluator, from syndrome[1..2t] (syndrome[j + 1]
// is S[j] of the algorithm, the value at alpha^(j+1)); lambda and omega come in cleared.
void LocatorAndEvaluator(const FastField &f, const std::uint8_t *syndrome, int t, HalfPoly &lambda,
                         HalfPoly &omega) {
    const int twoT = 2 * t;
    HalfPoly b{}, a{}, lambdaNext{}, omegaNext{};
    lambda[0] = 1;
    if (t >= 1)
        b[1] = 1;
    a[0] = 1;
    int length = 0;
    int z = -1;
    for (int j = 0; j < twoT; ++j) {
        std::uint8_t delta = 0;
        const int top = std::min({length, t, j});
        for (int i = 0; i <= top; ++i)
            delta ^= f.Mul(lambda[i], syndrome[j - i + 1]);
        if (delta != 0) {
            const int logDelta = f.Log(delta);
            for (int i = 0; i <= t; ++i) {
                const auto u = i;
                lambdaNext[u] = lambda[u] ^ f.MulPow(b[u], logDelta);
                omegaNext[u] = omega[u] ^ f.MulPow(a[u], logDelta);
            }
            if (length < j - z) {
                const int newLength = j - z;
                z = j - length;
                length = newLength;
                const int logInverse = f.Log(f.Inverse(delta));
                for (int i = 0; i <= std::min(length, t); ++i) {
                    const auto u = i;
                    b[u] = f.MulPow(lambda[u], logInverse);
                    a[u] = f.MulPow(omega[u], logInverse);
                }
            }
            for (int i = 0; i <= std::min(length, t); ++i) {
                const auto u = i;
                lambda[u] = lambdaNext[u];
                omega[u] = omegaNext[u];
            }
        }
        for (int i = t; i >= 1; --i) {
            const auto u = i;
            b[u] = b[u - 1];
            a[u] = a[u - 1];
        }
        b[0] = 0;
        a[0] = 0;
    }
}

// The division register of the encoder: the remainder of the information symbols times x^(N-K)
// by g(x), register cell i the coefficient of x^i. Each step feeds back fb = the top cell plus
// the symbol and adds fb * g(x) to the register moved up by one cell. The plain path multiplies
// through the logarithms of g; the other reads fb * g(x) as one row of at most 32 bytes, kept in
// the state for g, and moves the cells of the register as whole 64-bit lanes.
constexpr int kMaxRowLanes = 4;

template <int Lanes>
void DivideByRows(const std::uint64_t *rows, const std::uint8_t *symbols, int k, int r,
                  std::uint8_t *reg) {
    std::array<std::uint64_t, Lanes> lane{};
    const int topLane = (r - 1) / 8;
    const int topShift = 8 * ((r - 1) % 8);
    for (int h = 1; h <= k; ++h) {
        const auto fb = static_cast<unsigned>((lane[topLane] >> topShift) ^ symbols[h]) & 0xFFu;
        // Cells past r - 1 collect what moves out of the top; they never move down.
        for (int l = Lanes - 1; l >= 1; --l)
            lane[l] = (lane[l] << 8 | lane[l - 1] >> 56) ^ rows[fb * Lanes + l];
        lane[0] = lane[0] << 8 ^ rows[fb * Lanes];
    }
    for (int i = 0; i < r; ++i)
        reg[i] = static_cast<std::uint8_t>(lane[i / 8] >> (8 * (i % 8)));
}

void DivideFast(const FastField &f, GaloisWordTables &cache, const std::uint8_t *g,
                const std::uint8_t *symbols, int k, int r, std::uint8_t *reg) {
    const int lanes = (r + 7) / 8;
    const auto used = static_cast<std::size_t>(r) + 1;
    if (cache.generatorFrom.size() != used ||
        !std::equal(g, g + used, cache.generatorFrom.begin())) {
        cache.generatorRows.assign(256 * static_cast<std::size_t>(lanes), 0);
        for (int fb = 0; fb < 256; ++fb)
            for (int i = 0; i < r; ++i)
                cache.generatorRows[static_cast<std::size_t>(fb) * static_cast<std::size_t>(lanes) +
                                    static_cast<std::size_t>(i / 8)] |=
                    std::uint64_t{f.Mul(static_cast<std::uint8_t>(fb), g[i])} << (8 * (i % 8));
        cache.generatorFrom.assign(g, g + used);
    }
    const std::uint64_t *rows = cache.generatorRows.data();
    switch (lanes) {
    case 1:
        return DivideByRows<1>(rows, symbols, k, r, reg);
    case 2:
        return DivideByRows<2>(rows, symbols, k, r, reg);
    case 3:
        return DivideByRows<3>(rows, symbols, k, r, reg);
    default:
        return DivideByRows<4>(rows, symbols, k, r, reg);
    }
}

void DividePlain(const FastField &f, const std::uint8_t *g, const std::uint8_t *symbols, int k,
                 int r, std::uint8_t *reg) {
    std::array<int, kMaxFieldOrder + 1> logG{};
    for (int i = 0; i < r; ++i)
        logG[i] = f.Log(g[i]);
    std::fill(reg, reg + r, 0);
    for (int h = 1; h <= k; ++h) {
        const std::uint8_t *times = f.ExpFrom(f.Log(reg[r - 1] ^ symbols[h]));
        for (int i = r - 1; i >= 1; --i)
            reg[i] = reg[i - 1] ^ times[logG[i]];
        reg[0] = times[logG[0]];
    }
}

void EncodeReedSolomon(const ModelParameters &p, GaloisCoderState &state,
                       std::span<const std::uint8_t, kMaxWord + 1> info,
                       std::span<std::uint8_t, kMaxBlock + 1> code, bool plain) {
    const RsShape s = ShapeOf(p, state);
    if (!s.valid) {
        const int k = std::clamp<int>(p.codeK, 0, kMaxWord);
        std::copy(info.begin() + 1, info.begin() + 1 + k, code.begin() + 1);
        return;
    }
    if (state.rsGeneratorReady != kCoderReadyMark) {
        state.rsGeneratorReady = kCoderReadyMark;
        BuildGenerator(state, s);
    }
    const int r = s.n - s.k;
    const int infoBits = s.k * s.m;
    std::copy(info.begin() + 1, info.begin() + 1 + infoBits, code.begin() + 1);
    for (int h = 1; h <= s.k; ++h)
        state.rsSymbols[h] =
            PackSymbol(info.data() + static_cast<std::ptrdiff_t>(s.m) * (h - 1) + 1, s.m);

    std::array<std::uint8_t, kMaxFieldOrder + 1> reg{};
    if (plain || r > 8 * kMaxRowLanes) {
        const OwnFastField own(state.gfExp, state.gfLog, s.n);
        DividePlain(own.Field(), state.rsGenerator.data(), state.rsSymbols.data(), s.k, r,
                    reg.data());
    } else {
        const FastField f = CachedField(state.rsTables, state.gfExp, state.gfLog, s.n);
        DivideFast(f, state.rsTables, state.rsGenerator.data(), state.rsSymbols.data(), s.k, r,
                   reg.data());
    }
    // The highest remainder coefficient is sent first.
    std::array<std::uint8_t, kMaxFieldOrder + 1> check{};
    for (int j = 0; j < r; ++j)
        check[j] = reg[r - 1 - j];
    UnpackSymbols(check.data(), r, s.m, code.data() + infoBits + 1);
}

// Decoder "АБМВ". It is defined on the received vector itself: the Berlekamp-Massey steps and then
// the recursive extension, each a sum over all N positions, O(N^2) per word. The same numbers come
// out of the transform domain, field arithmetic being exact:
// - the steps r = 1..2t give the locator (TimeDomainLocator), lambda[p] = Lambda(alpha^-p), and
//   information symbol h = N - p is corrected where Lambda(alpha^h) = 0;
// - step r > 2t adds delta * alpha^(-p r) to every v[p], which changes only the spectral value
//   S_r of v (N is odd, so the sum over p of alpha^0 is 1), and by delta = S_r + sum over i >= 1
//   of Lambda_i S'_(r-i) (Lambda_0 = 1) it makes S'_r = sum over i >= 1 of Lambda_i S'_(r-i): the
//   recursive extension of the syndromes. After r = N, v[p] = sum over r = 1..N of S'_r
//   alpha^(-p r), with S'_r = S_r for r <= 2t (index N is the spectral value 0).
// So only the marked information symbols need the sum, and an error-free word needs only 2t
// syndromes.
void DecodeABMV(const ModelParameters &p, GaloisCoderState &state,
                std::span<const std::uint8_t, kMaxWord + 1> rx,
                std::span<std::uint8_t, kMaxWord + 1> decoded, bool plain) {
    const RsShape s = ShapeOf(p, state);
    if (!s.valid) {
        PassThrough(p, rx, decoded);
        return;
    }
    ReceiveSymbols(state, rx, s);
    std::optional<OwnFastField> own;
    if (plain)
        own.emplace(state.gfExp, state.gfLog, s.n);
    const FastField f =
        plain ? own->Field() : CachedField(state.rsTables, state.gfExp, state.gfLog, s.n);
    const int twoT = 2 * s.t;
    std::array<std::uint8_t, kMaxFieldOrder + 1> spectrum{};
    Syndromes(f, state, s.n, twoT, spectrum.data(), plain);

    if (AnyNonZero(spectrum.data(), 1, twoT)) {
        std::array<std::uint8_t, kMaxFieldOrder + 1> lambda{};
        int deg = TimeDomainLocator(f, spectrum.data(), twoT, false, lambda.data());
        while (deg > 0 && lambda[deg] == 0)
            --deg;
        std::array<int, kMaxFieldOrder + 1> roots{};
        const int found = InformationRoots(f, lambda.data(), deg, s.k, roots, plain);
        if (found > 0) {
            // The extension on logarithms: each new value is read back deg times.
            std::array<int, kMaxFieldOrder + 1> logLambda{};
            LogWord logSpectrum{};
            for (int i = 1; i <= deg; ++i)
                logLambda[i] = f.Log(lambda[i]);
            for (int r = 1; r <= twoT; ++r)
                logSpectrum[r] = f.Log(spectrum[r]);
            for (int r = twoT + 1; r <= s.n; ++r) {
                std::uint8_t next = 0;
                for (int i = 1; i <= deg; ++i)
                    next ^= f.Exp(logLambda[i] + logSpectrum[r - i]);
                logSpectrum[r] = f.Log(next);
            }
            // v[p] at p = N - h is the sum over r = 1..N of S'_r alpha^(h r): the word whose
            // symbol N - r (symbol N for r = N) is S'_r, at alpha^h.
            LogWord logWord{};
            for (int r = 1; r < s.n; ++r)
                logWord[s.n - r] = logSpectrum[r];
            logWord[s.n] = logSpectrum[s.n];
            std::array<std::uint8_t, kMaxFieldOrder + 1> value{};
            EvaluateWord(f, logWord, roots.data(), found, value.data());
            for (int j = 0; j < found; ++j)
                state.rsSymbols[roots[static_cast<std::size_t>(j)]] ^= value[j];
        }
    }
    UnpackSymbols(state.rsSymbols.data() + 1, s.k, s.m, decoded.data() + 1);
}

// Decoder "АБМЧ". The polynomials keep the coefficients 0..t. Beyond the code's power the length L
// may pass t; the coefficients above t are never written, so they count as 0, and a locator that
// would grow past degree t is cut there.
void DecodeABMCh(const ModelParameters &p, GaloisCoderState &state,
                 std::span<const std::uint8_t, kMaxWord + 1> rx,
                 std::span<std::uint8_t, kMaxWord + 1> decoded, bool plain) {
    const RsShape s = ShapeOf(p, state);
    if (!s.valid) {
        PassThrough(p, rx, decoded);
        return;
    }
    ReceiveSymbols(state, rx, s);
    std::optional<OwnFastField> own;
    if (plain)
        own.emplace(state.gfExp, state.gfLog, s.n);
    const FastField f =
        plain ? own->Field() : CachedField(state.rsTables, state.gfExp, state.gfLog, s.n);
    const int t = s.t;
    const int twoT = 2 * t;
    // syndrome[j + 1] is S[j] of the algorithm, the value at alpha^(j+1).
    std::array<std::uint8_t, kMaxFieldOrder + 1> syndrome{};
    Syndromes(f, state, s.n, twoT, syndrome.data(), plain);

    if (AnyNonZero(syndrome.data(), 1, twoT)) {
        HalfPoly lambda{}, omega{};
        LocatorAndEvaluator(f, syndrome.data(), t, lambda, omega);

        // Forney values at the information positions whose locator value is 0. The derivative
        // keeps the odd coefficients; a zero derivative counts as 1 (the model's log of 0 is 0).
        HalfPoly derivative{};
        for (int i = 1; i <= t; i += 2)
            derivative[i - 1] = lambda[i];
        std::array<int, kMaxFieldOrder + 1> roots{};
        const int found = InformationRoots(f, lambda.data(), t, s.k, roots, plain);
        for (int j = 0; j < found; ++j) {
            const int h = roots[j];
            const std::uint8_t numerator = EvaluateAt(f, omega.data(), t, h);
            const std::uint8_t denominator =
                t >= 1 ? EvaluateAt(f, derivative.data(), t - 1, h) : 0;
            const std::uint8_t inverse = denominator == 0 ? 1 : f.Inverse(denominator);
            state.rsSymbols[h] ^= f.Mul(numerator, inverse);
        }
    }
    UnpackSymbols(state.rsSymbols.data() + 1, s.k, s.m, decoded.data() + 1);
}

} // namespace

void encodeReedSolomon(const ModelParameters &p, GaloisCoderState &state,
                       std::span<const std::uint8_t, kMaxWord + 1> info,
                       std::span<std::uint8_t, kMaxBlock + 1> code) {
    EncodeReedSolomon(p, state, info, code, false);
}
void encodeReedSolomonPlain(const ModelParameters &p, GaloisCoderState &state,
                            std::span<const std::uint8_t, kMaxWord + 1> info,
                            std::span<std::uint8_t, kMaxBlock + 1> code) {
    EncodeReedSolomon(p, state, info, code, true);
}
void decodeABMV(const ModelParameters &p, GaloisCoderState &state,
                std::span<const std::uint8_t, kMaxWord + 1> rx,
                std::span<std::uint8_t, kMaxWord + 1> decoded) {
    DecodeABMV(p, state, rx, decoded, false);
}
void decodeABMVPlain(const ModelParameters &p, GaloisCoderState &state,
                     std::span<const std::uint8_t, kMaxWord + 1> rx,
                     std::span<std::uint8_t, kMaxWord + 1> decoded) {
    DecodeABMV(p, state, rx, decoded, true);
}
void decodeABMCh(const ModelParameters &p, GaloisCoderState &state,
                 std::span<const std::uint8_t, kMaxWord + 1> rx,
                 std::span<std::uint8_t, kMaxWord + 1> decoded) {
    DecodeABMCh(p, state, rx, decoded, false);
}
void decodeABMChPlain(const ModelParameters &p, GaloisCoderState &state,
                      std::span<const std::uint8_t, kMaxWord + 1> rx,
                      std::span<std::uint8_t, kMaxWord + 1> decoded) {
    DecodeABMCh(p, state, rx, decoded, true);
}

} // namespace spi
