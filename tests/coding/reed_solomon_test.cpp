#include "chain/source_stats.h"
#include "coding/code_setup.h"
#include "coding/galois_field.h"
#include "coding/reed_solomon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace spi {
namespace {

using Symbols = std::vector<std::uint8_t>;

struct RsCode {
    int number, n, k, m, t;
    unsigned poly; // field polynomial, bit i = coefficient of x^i
    const char *digits;
};

const RsCode kRsCodes[] = {
    {1, 7, 3, 3, 2, 0b1011, "023"},
    {2, 15, 9, 4, 3, 0b10011, "034"},
    {3, 15, 12, 4, 1, 0b10011, "034"},
    {4, 31, 27, 5, 2, 0b100101, "035"},
    {5, 31, 21, 5, 5, 0b100101, "035"},
    {6, 31, 20, 5, 5, 0b100101, "035"},
    {7, 31, 15, 5, 8, 0b100101, "035"},
    {8, 63, 55, 6, 4, 0b1000011, "056"},
    {9, 63, 51, 6, 6, 0b1000011, "056"},
    {10, 63, 47, 6, 8, 0b1000011, "056"},
    {11, 255, 232, 8, 11, 0b100011101, "04568"},
    {12, 255, 239, 8, 8, 0b100011101, "04568"},
    {13, 255, 251, 8, 2, 0b100011101, "04568"},
};

// Field arithmetic without the model's tables, to judge the coder by.
struct TestField {
    int m;
    unsigned poly;
    unsigned Mul(unsigned a, unsigned b) const {
        unsigned r = 0;
        for (int i = 0; i < m; ++i)
            if ((b >> i) & 1u)
                r ^= a << i;
        for (int i = 2 * m - 2; i >= m; --i)
            if ((r >> i) & 1u)
                r ^= poly << (i - m);
        return r;
    }
    unsigned Pow(int e) const {
        unsigned r = 1;
        for (int i = 0; i < e; ++i)
            r = Mul(r, 2);
        return r;
    }
};

// A model with the code set up as the coder window leaves it, at the start of a run.
std::unique_ptr<ModelState> RsModel(int number, std::uint16_t codeType = 13) {
    auto m = MakeModel();
    m->codeType = codeType;
    m->polyNumbers[0] = static_cast<std::uint8_t>(number);
    RecordingNotifier notes;
    SetUpNonBinaryCode(*m, *m, notes);
    EXPECT_TRUE(notes.entries.empty());
    m->fixedSeed = 7;
    PrepareTestRun(*m, m->codeN, m->codeK, 0, codeType, 1, 0);
    return m;
}

Symbols RandomSymbols(Random &rng, int count, int m) {
    Symbols s(count);
    for (auto &x : s)
        x = static_cast<std::uint8_t>(rng.RandomInt(1 << m));
    return s;
}

void SymbolsToBits(const Symbols &s, int m, std::uint8_t *bits) {
    for (std::size_t h = 0; h < s.size(); ++h)
        for (int j = 0; j < m; ++j)
            bits[h * m + j + 1] = (s[h] >> j) & 1u;
}

Symbols BitsToSymbols(const std::uint8_t *bits, int count, int m) {
    Symbols s(count, 0);
    for (int h = 0; h < count; ++h)
        for (int j = 0; j < m; ++j)
            s[h] |= bits[h * m + j + 1] << j;
    return s;
}

// The transmitted symbols of an information word.
Symbols Encode(ModelState &m, const Symbols &info) {
    SymbolsToBits(info, m.gfDegree, m.infoWord.data());
    encodeReedSolomon(m, m, m.infoWord, m.codeWord);
    return BitsToSymbols(m.codeWord.data(), m.gfOrder, m.gfDegree);
}

Symbols Decode(ModelState &m, const Symbols &received, void (*decoder)(ModelState &)) {
    SymbolsToBits(received, m.gfDegree, m.rxWord.data());
    decoder(m);
    return BitsToSymbols(m.decodedWord.data(), m.rsK, m.gfDegree);
}

// The decoders on the model's own parts and words, as the chain runs them.
void RunABMV(ModelState &m) {
    decodeABMV(m, m, m.rxWord, m.decodedWord);
}
void RunABMCh(ModelState &m) {
    decodeABMCh(m, m, m.rxWord, m.decodedWord);
}

Symbols Info(const Symbols &word, int k) {
    return {word.begin(), word.begin() + k};
}

// ---- The decoders written out step by step on the received vector, as the model defines them ----

std::uint8_t Mul(const ModelState &m, int a, int b) {
    return GfMultiply(m.gfExp, m.gfLog, m.gfOrder, a, b);
}
std::uint8_t AlphaMinus(const ModelState &m, int x) {
    return m.gfExp[m.gfOrder - x];
}
std::uint8_t Inverse(const ModelState &m, int a) {
    return m.gfExp[m.gfOrder - m.gfLog[a]];
}

// symbol[h - 1] is received symbol h; v[p] = symbol N - p.
void ReferenceReceive(const ModelState &m, Symbols &symbol, Symbols &v) {
    const int n = m.gfOrder;
    symbol = BitsToSymbols(m.rxWord.data(), n, m.gfDegree);
    v.resize(n);
    for (int p = 0; p < n; ++p)
        v[p] = symbol[n - p - 1];
}

void ReferenceDeliver(ModelState &m, const Symbols &symbol) {
    std::copy(symbol.begin(), symbol.end(), m.rsSymbols.begin() + 1);
    SymbolsToBits(Symbols(symbol.begin(), symbol.begin() + m.rsK), m.gfDegree,
                  m.decodedWord.data());
}

void ReferenceABMV(ModelState &m) {
    const int n = m.gfOrder, k = m.rsK, t = m.codeT;
    Symbols symbol, v;
    ReferenceReceive(m, symbol, v);
    Symbols lambda(n, 1), b(n, 1), next(n);
    int length = 0;
    for (int r = 1; r <= n; ++r) {
        std::uint8_t delta = 0;
        for (int p = 0; p < n; ++p)
            delta ^= Mul(m, Mul(m, lambda[p], v[p]), m.gfExp[(p * r) % n]);
        if (r > 2 * t) {
            for (int p = 0; p < n; ++p)
                v[p] ^= Mul(m, delta, AlphaMinus(m, (p * r) % n));
        } else if (delta != 0) {
            for (int p = 0; p < n; ++p)
                next[p] = lambda[p] ^ Mul(m, delta, Mul(m, AlphaMinus(m, p), b[p]));
            if (r - 1 < 2 * length) {
                lambda = next;
                for (int p = 0; p < n; ++p)
                    b[p] = Mul(m, AlphaMinus(m, p), b[p]);
            } else {
                length = r - length;
                for (int p = 0; p < n; ++p)
                    b[p] = Mul(m, Inverse(m, delta), lambda[p]);
                lambda = next;
            }
        } else {
            for (int p = 0; p < n; ++p)
                b[p] = Mul(m, AlphaMinus(m, p), b[p]);
        }
    }
    for (int h = 1; h <= k; ++h)
        if (lambda[n - h] == 0)
            symbol[h - 1] ^= v[n - h];
    ReferenceDeliver(m, symbol);
}

void ReferenceABMCh(ModelState &m) {
    const int n = m.gfOrder, k = m.rsK, t = m.codeT;
    Symbols symbol, v;
    ReferenceReceive(m, symbol, v);
    std::vector<std::uint8_t> s(n - k);
    for (int j = 0; j < n - k; ++j)
        for (int p = 0; p < n; ++p)
            s[j] ^= Mul(m, v[p], m.gfExp[(p * (j + 1)) % n]);
    std::uint8_t lambda[51] = {1}, b[51] = {0, 1}, omega[51] = {}, a[51] = {1};
    std::uint8_t lambdaNext[51] = {}, omegaNext[51] = {};
    int length = 0, z = -1;
    for (int j = 0; j < 2 * t; ++j) {
        std::uint8_t delta = 0;
        for (int i = 0; i <= length; ++i)
            delta ^= Mul(m, lambda[i], s[j - i]);
        if (delta != 0) {
            for (int i = 0; i <= t; ++i) {
                lambdaNext[i] = lambda[i] ^ Mul(m, delta, b[i]);
                omegaNext[i] = omega[i] ^ Mul(m, delta, a[i]);
            }
            if (length < j - z) {
                const int oldLength = length;
                length = j - z;
                z = j - oldLength;
                for (int i = 0; i <= length; ++i) {
                    b[i] = Mul(m, Inverse(m, delta), lambda[i]);
                    a[i] = Mul(m, Inverse(m, delta), omega[i]);
                }
            }
            for (int i = 0; i <= length; ++i) {
                lambda[i] = lambdaNext[i];
                omega[i] = omegaNext[i];
            }
        }
        for (int i = t; i >= 1; --i) {
            b[i] = b[i - 1];
            a[i] = a[i - 1];
        }
        b[0] = a[0] = 0;
    }
    const auto value = [&](const std::uint8_t *poly, std::uint8_t x) {
        std::uint8_t sum = 0, power = 1;
        for (int i = 0; i <= t; ++i, power = Mul(m, power, x))
            sum ^= Mul(m, poly[i], power);
        return sum;
    };
    for (int p = n - 1; p >= n - k; --p) {
        const std::uint8_t x = AlphaMinus(m, p);
        if (value(lambda, x) != 0)
            continue;
        std::uint8_t derivative = 0, power = 1;
        for (int i = 1; i <= t; i += 2, power = Mul(m, power, Mul(m, x, x)))
            derivative ^= Mul(m, lambda[i], power);
        // The model's gfLog[0] reads 0, so a zero derivative gives the factor alpha^N = 1.
        const std::uint8_t e = Mul(m, value(omega, x), m.gfExp[n - m.gfLog[derivative]]);
        symbol[n - p - 1] = v[p] ^ e;
    }
    ReferenceDeliver(m, symbol);
}

// ---- Tests ----

TEST(ReedSolomonSetUp, FillsEveryCodeOfTheCatalogue) {
    for (const RsCode &c : kRsCodes) {
        for (std::uint16_t type : {13, 17, 18}) {
            auto m = RsModel(c.number, type);
            SCOPED_TRACE(c.number);
            EXPECT_EQ(m->rsCodeNumber, c.number);
            EXPECT_EQ(m->gfDegree, c.m);
            EXPECT_EQ(m->gfOrder, c.n);
            EXPECT_EQ(m->rsK, c.k);
            EXPECT_EQ(m->codeN, c.n * c.m);
            EXPECT_EQ(m->codeK, c.k * c.m);
            EXPECT_EQ(m->codeT, c.t);
            const std::string digits(c.digits);
            ASSERT_EQ(m->fieldPolyTermCount, digits.size());
            for (std::size_t i = 0; i < digits.size(); ++i)
                EXPECT_EQ(m->fieldPolyDigits[i + 1], digits[i] - '0');
            EXPECT_EQ(CheckNonBinaryCode(*m, *m), std::nullopt);
        }
    }
}

TEST(ReedSolomonSetUp, RefusesCodeNumbersOutside1To13AndChangesNothing) {
    auto m = RsModel(2);
    const auto before = *m;
    for (int number : {0, 14, 200}) {
        m->polyNumbers[0] = static_cast<std::uint8_t>(number);
        RecordingNotifier notes;
        SetUpNonBinaryCode(*m, *m, notes);
        const std::string text =
            "Номер недвоичного кода " + std::to_string(number) + " вне допустимых пределов 1..13.";
        ASSERT_EQ(notes.entries.size(), 1u);
        EXPECT_EQ(notes.entries[0].text, text);
        EXPECT_EQ(CheckNonBinaryCode(*m, *m), text) << "the run refuses it as well";
        EXPECT_EQ(m->rsCodeNumber, before.rsCodeNumber);
        EXPECT_EQ(m->codeN, before.codeN);
        EXPECT_EQ(m->codeK, before.codeK);
        EXPECT_EQ(m->codeT, before.codeT);
        EXPECT_EQ(m->gfOrder, before.gfOrder);
        EXPECT_EQ(m->gfExp, before.gfExp);
        EXPECT_EQ(m->fieldPolyDigits, before.fieldPolyDigits);
    }
}

TEST(ReedSolomonSetUp, RunIsRefusedUnlessTheCodeIsSetUpAndConsistent) {
    auto fresh = MakeModel();
    fresh->codeType = 17;
    fresh->polyNumbers[0] = 1;
    ASSERT_TRUE(CheckNonBinaryCode(*fresh, *fresh).has_value()) << "no tables were ever built";

    auto m = RsModel(1);
    m->polyNumbers[0] = 2; // number changed without a new set-up
    EXPECT_TRUE(CheckNonBinaryCode(*m, *m).has_value());
    m->polyNumbers[0] = 1;
    m->codeN = 20;
    EXPECT_EQ(CheckNonBinaryCode(*m, *m),
              "Недвоичный код номер 1: n=20, k=9 не совпадают с N*m=21, K*m=9.");
    m->codeN = 21;
    m->codeT = 3;
    EXPECT_EQ(CheckNonBinaryCode(*m, *m),
              "Недвоичный код номер 1: число исправляемых ошибок t=3 вне пределов 0..2.");
    m->codeT = 1;
    EXPECT_EQ(CheckNonBinaryCode(*m, *m), std::nullopt) << "a weaker decoder is the user's choice";
    m->codeType = 14;
    EXPECT_EQ(CheckNonBinaryCode(*m, *m), std::nullopt) << "not a non-binary type";
}

TEST(ReedSolomonEncoder, Code1GeneratorAndTheUnitWord) {
    auto m = RsModel(1);
    const TestField gf{3, 0b1011};
    const Symbols word = Encode(*m, {1, 0, 0});
    EXPECT_EQ(m->rsGeneratorReady, kCoderReadyMark);
    // g(x) = x^4 + a^3 x^3 + x^2 + a x + a^3, lowest coefficient first.
    const std::vector<unsigned> g = {gf.Pow(3), gf.Pow(1), 1, gf.Pow(3), 1};
    for (int i = 0; i <= 4; ++i)
        EXPECT_EQ(m->rsGenerator[i], g[i]);
    // x^6 mod g(x) by long division; its coefficients of x^3..x^0 are the check symbols.
    std::vector<unsigned> rem = {0, 0, 0, 0, 0, 0, 1};
    for (int top = 6; top >= 4; --top) {
        const unsigned c = rem[top];
        for (int i = 0; i <= 4; ++i)
            rem[top - 4 + i] ^= gf.Mul(c, g[i]);
    }
    Symbols expected = {1, 0, 0};
    for (int i = 3; i >= 0; --i)
        expected.push_back(static_cast<std::uint8_t>(rem[i]));
    EXPECT_EQ(word, expected);
    EXPECT_EQ(std::vector<int>(m->codeWord.begin() + 1, m->codeWord.begin() + 10),
              (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// Every codeword is c(x) with c(alpha^i) = 0 for i = 1..N-K (symbol 1 the coefficient of x^(N-1))
// and carries the information symbols first.
TEST(ReedSolomonEncoder, EveryCodewordHasTheGeneratorRoots) {
    Random rng{11};
    for (const RsCode &c : kRsCodes) {
        auto m = RsModel(c.number);
        const TestField gf{c.m, c.poly};
        for (int word = 0; word < 20; ++word) {
            const Symbols info = RandomSymbols(rng, c.k, c.m);
            const Symbols code = Encode(*m, info);
            ASSERT_EQ(Info(code, c.k), info);
            for (int i = 1; i <= c.n - c.k; ++i) {
                unsigned sum = 0;
                for (int h = 1; h <= c.n; ++h)
                    sum ^= gf.Mul(code[h - 1], gf.Pow(i * (c.n - h) % c.n));
                ASSERT_EQ(sum, 0u) << "code " << c.number << " root " << i;
            }
        }
    }
}

TEST(ReedSolomonEncoder, GeneratorIsBuiltOnTheFirstEncodingOfEachRun) {
    auto m = RsModel(1);
    Encode(*m, {1, 2, 3});
    const auto code1 = m->rsGenerator;
    m->polyNumbers[0] = 2;
    SilentNotifier quiet;
    SetUpNonBinaryCode(*m, *m, quiet);
    Encode(*m, Symbols(9, 1));
    EXPECT_EQ(m->rsGenerator, code1) << "kept until the next run's set-up";
    PrepareTestRun(*m, m->codeN, m->codeK, 0, 13, 1, 0);
    EXPECT_EQ(m->rsGeneratorReady, 0.0);
    const Symbols info = {5, 0, 0, 0, 0, 0, 0, 0, 9};
    const Symbols word = Encode(*m, info);
    EXPECT_EQ(Decode(*m, word, RunABMCh), info);
    EXPECT_EQ(m->rsGenerator[6], 1) << "monic of degree N-K = 6";
}

using Decoder = void (*)(ModelState &);
const std::pair<const char *, Decoder> kDecoders[] = {{"АБМВ", RunABMV}, {"АБМЧ", RunABMCh}};

// Adds the given error values at the given symbols (0-based) of a word.
Symbols WithErrors(Symbols word, const std::vector<int> &at, const Symbols &values) {
    for (std::size_t i = 0; i < at.size(); ++i)
        word[at[i]] ^= values[i];
    return word;
}

TEST(ReedSolomonDecoders, Code1CorrectsEveryPatternOfUpToTwoSymbolErrors) {
    auto m = RsModel(1);
    for (const Symbols &info : {Symbols{0, 0, 0}, Symbols{1, 0, 0}, Symbols{7, 3, 5}}) {
        const Symbols word = Encode(*m, info);
        for (const auto &[name, decode] : kDecoders) {
            int patterns = 0;
            for (int p1 = 0; p1 < 7; ++p1)
                for (std::uint8_t e1 = 1; e1 < 8; ++e1) {
                    ASSERT_EQ(Decode(*m, WithErrors(word, {p1}, {e1}), decode), info) << name;
                    ++patterns;
                    for (int p2 = p1 + 1; p2 < 7; ++p2)
                        for (std::uint8_t e2 = 1; e2 < 8; ++e2) {
                            const Symbols rx = WithErrors(word, {p1, p2}, {e1, e2});
                            ASSERT_EQ(Decode(*m, rx, decode), info)
                                << name << " at " << p1 << "," << p2;
                            ++patterns;
                        }
                }
            EXPECT_EQ(patterns, 7 * 7 + 21 * 49);
        }
    }
}

// Every set of t positions for the codes where that is small, otherwise random sets; error values
// random and non-zero; a third of the words take errors in check symbols only.
TEST(ReedSolomonDecoders, EveryCodeCorrectsUpToTSymbolErrors) {
    Random rng{2024};
    for (const RsCode &c : kRsCodes) {
        for (const auto &[name, decoder] : kDecoders) {
            const Decoder decode = decoder; // captured below, which clang 14 refuses for a binding
            auto m = RsModel(c.number, decode == RunABMV ? 13 : 18);
            SCOPED_TRACE(std::string(name) + " code " + std::to_string(c.number));
            const auto check = [&](const std::vector<int> &positions) {
                const Symbols info = RandomSymbols(rng, c.k, c.m);
                Symbols values(positions.size());
                for (auto &v : values)
                    v = static_cast<std::uint8_t>(1 + rng.RandomInt(c.n));
                const Symbols rx = WithErrors(Encode(*m, info), positions, values);
                ASSERT_EQ(Decode(*m, rx, decode), info);
            };
            // Exhaustive position sets while C(N, t) stays small.
            double sets = 1;
            for (int i = 0; i < c.t; ++i)
                sets = sets * (c.n - i) / (i + 1);
            if (sets <= 40000) {
                std::vector<int> pos(c.t);
                std::function<void(int, int)> each = [&](int level, int from) {
                    if (level == c.t) {
                        check(pos);
                        return;
                    }
                    for (int p = from; p < c.n; ++p) {
                        pos[level] = p;
                        each(level + 1, p + 1);
                    }
                };
                each(0, 0);
            }
            for (int word = 0; word < 300; ++word) {
                const bool checkOnly = word % 3 == 0;
                const int count = word % 5 == 0 ? rng.RandomInt(c.t + 1) : c.t;
                std::vector<int> positions;
                while (static_cast<int>(positions.size()) < count) {
                    const int p = checkOnly ? c.k + rng.RandomInt(c.n - c.k) : rng.RandomInt(c.n);
                    if (std::find(positions.begin(), positions.end(), p) == positions.end())
                        positions.push_back(p);
                }
                check(positions);
            }
        }
    }
}

// Codes 3, 6 and 11 have an odd number of check symbols (their t = 1, 5, 11 is checked with the
// catalogue) and only the first 2t syndromes count: an error pattern that vanishes at alpha and
// alpha^2 but not at alpha^3 passes code 3 unchanged.
TEST(ReedSolomonDecoders, OddCheckCountUsesOnlyTheFirst2TSyndromes) {
    auto m = RsModel(3);
    const TestField gf{4, 0b10011};
    // e(x) = x^3 (x + a)(x + a^2) = x^5 + (a + a^2) x^4 + a^3 x^3: symbols 10, 11, 12.
    const Symbols info(12, 0);
    const Symbols word = Encode(*m, info);
    const Symbols rx = WithErrors(word, {9, 10, 11},
                                  {1, static_cast<std::uint8_t>(gf.Pow(1) ^ gf.Pow(2)),
                                   static_cast<std::uint8_t>(gf.Pow(3))});
    for (const auto &[name, decode] : kDecoders)
        EXPECT_EQ(Decode(*m, rx, decode), Info(rx, 12)) << name;
}

// The decoders against their step-by-step definitions, to the bit, on words within and far beyond
// the codes' power, on random words, and with a user-lowered t.
TEST(ReedSolomonDecoders, MatchTheirDefinitionsBitForBit) {
    Random rng{99};
    for (const RsCode &c : kRsCodes) {
        auto m = RsModel(c.number);
        const int words = c.n == 255 ? 60 : 300;
        for (int word = 0; word < words; ++word) {
            m->codeT = word % 7 == 6 ? rng.RandomInt(c.t + 1) : c.t;
            const Symbols info = RandomSymbols(rng, c.k, c.m);
            Symbols rx;
            if (word % 5 == 4) {
                rx = RandomSymbols(rng, c.n, c.m);
            } else {
                rx = Encode(*m, info);
                const int errors = rng.RandomInt(c.n - c.k + 4);
                for (int i = 0; i < errors; ++i)
                    rx[rng.RandomInt(c.n)] ^= static_cast<std::uint8_t>(rng.RandomInt(1 << c.m));
            }
            for (const auto &[name, decode] : kDecoders) {
                const Decoder reference = decode == RunABMV ? ReferenceABMV : ReferenceABMCh;
                const Symbols fast = Decode(*m, rx, decode);
                const auto fastSymbols = m->rsSymbols;
                ASSERT_EQ(Decode(*m, rx, reference), fast)
                    << name << " code " << c.number << " word " << word;
                ASSERT_EQ(m->rsSymbols, fastSymbols);
            }
        }
    }
}

// Known answers with a fixed seed, beyond the codes' power, where the exact algorithm shows.
TEST(ReedSolomonDecoders, GoldenBeyondT) {
    const auto hashOf = [](int number, Decoder decode) {
        auto m = RsModel(number);
        Random rng{4321};
        std::uint64_t hash = 14695981039346656037ull;
        for (int word = 0; word < 200; ++word) {
            const Symbols info = RandomSymbols(rng, m->rsK, m->gfDegree);
            Symbols rx = Encode(*m, info);
            const int errors = m->codeT + 1 + rng.RandomInt(3);
            for (int i = 0; i < errors; ++i)
                rx[rng.RandomInt(m->gfOrder)] ^=
                    static_cast<std::uint8_t>(1 + rng.RandomInt(m->gfOrder));
            for (const std::uint8_t s : Decode(*m, rx, decode))
                hash = (hash ^ s) * 1099511628211ull;
        }
        return hash;
    };
    EXPECT_EQ(hashOf(2, RunABMV), 6488240565351315499ull);
    EXPECT_EQ(hashOf(2, RunABMCh), 3123356106993900448ull);
    EXPECT_EQ(hashOf(12, RunABMV), 14223106677398716376ull);
    EXPECT_EQ(hashOf(12, RunABMCh), 8354695511341225333ull);
}

} // namespace
} // namespace spi
