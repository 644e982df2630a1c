// Arithmetic in GF(2^m), m = 3..8, over logarithm and antilogarithm tables. The Reed-Solomon coder
// (gfExp/gfLog) and the BCH decoder (bchExp/bchLog) keep separate tables in the model; both are
// built here the same way, by long division by the field polynomial.
//
// A field polynomial is stored as a string of digits: a digit d stands for the term x^(m-d) and
// the last digit is m itself, so "023" is x^3 + x + 1 and "04568" is x^8 + x^4 + x^3 + x^2 + 1.
#pragma once

#include "model/model_state.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace spi {

using FieldTable = std::array<std::uint8_t, 256>;
using FieldDigits = std::array<std::uint8_t, 6>; // cells 1..5, as fieldPolyDigits

inline constexpr int kMinFieldDegree = 3;
inline constexpr int kMaxFieldDegree = 8;
inline constexpr int kMaxFieldOrder = 255;
// rsGeneratorReady holds this once the coder of a run has done its one-time preparation.
inline constexpr double kCoderReadyMark = 1e10;

// The digit string into fieldPolyDigits[1..] (digit values, not characters) and its length into
// fieldPolyTermCount. Strings longer than five digits are cut at five.
void StoreFieldPolyDigits(GaloisCoderState &s, std::string_view digits);

// exp[0..N] and log of GF(2^m) from digits[1..count]: exp[e] = alpha^e, exp[N] = 1,
// log[exp[e]] = e for e = 0..N in that order, so log[1] = N; log[0] is not written.
// Returns N = 2^m - 1, or 0 when the digits describe no field of degree 3..8 (tables untouched).
int BuildFieldTables(const FieldDigits &digits, int count, FieldTable &exp, FieldTable &log);

// Whether exp/log hold a field of order N as BuildFieldTables leaves it.
bool FieldTablesValid(const FieldTable &exp, const FieldTable &log, int order);

// The field polynomial of the BCH decoder for bchTable row 1..76 ("" for any other row), and the
// order N = 2^m - 1 of that field (0 for any other row).
std::string_view BchFieldDigits(int row);
int BchFieldOrder(int row);

// The field operations as the model defines them.
inline std::uint8_t GfMultiply(const FieldTable &exp, const FieldTable &log, int order,
                               std::uint8_t a, std::uint8_t b) {
    if (a == 0 || b == 0)
        return 0;
    return exp[(log[a] + log[b]) % order];
}
inline std::uint8_t GfAdd(std::uint8_t a, std::uint8_t b, int degree) {
    return static_cast<std::uint8_t>((a ^ b) & ((1u << degree) - 1u));
}

// The field laid out for the decoders' inner loops, a view of FastFieldTables. Logarithms are
// reduced to 0..N-1, and the logarithm of 0 is a sentinel that, added to one or two other
// logarithms, lands in a run of zero antilogarithms: a product is one addition and one look-up,
// without a test for zero.
class FastField {
public:
    explicit FastField(const FastFieldTables &t)
        : order_(t.order), zeroLog_(t.zeroLog), log_(t.log.data()), exp_(t.exp.data()),
          quadratic_(t.quadraticRoot.data()) {}

    int Order() const { return order_; }
    int ZeroLog() const { return zeroLog_; }
    int Log(std::uint8_t a) const { return log_[a]; }
    // alpha^e for 0 <= e <= 2N - 2, and 0 for the sentinel sums.
    std::uint8_t Exp(int e) const { return exp_[e]; }
    // The antilogarithms from e on, for multiplying many logarithms by one element.
    const std::uint8_t *ExpFrom(int e) const { return exp_ + e; }
    std::uint8_t Mul(std::uint8_t a, std::uint8_t b) const { return exp_[log_[a] + log_[b]]; }
    // a * alpha^e for 0 <= e < N.
    std::uint8_t MulPow(std::uint8_t a, int e) const { return exp_[log_[a] + e]; }
    // a^(-1) for a != 0.
    std::uint8_t Inverse(std::uint8_t a) const { return exp_[order_ - log_[a]]; }
    std::uint8_t Square(std::uint8_t a) const { return Mul(a, a); }
    // For k != 0 a root y of y^2 + y + k (the other is y + 1), or 0 when there is none.
    std::uint8_t QuadraticRoot(std::uint8_t k) const { return quadratic_[k]; }

private:
    int order_;
    int zeroLog_;
    const std::uint16_t *log_;
    const std::uint8_t *exp_;
    const std::uint8_t *quadratic_;
};

// The tables of FastField from the model's exp/log of order N (about 1.5 KB).
void BuildFastField(const FieldTable &exp, const FieldTable &log, int order, FastFieldTables &out);

// The field of exp/log kept in `cache`, built anew only when exp[0..N] or N differ from what it
// was built from; a rebuild clears the code tables kept beside it.
FastField CachedField(GaloisWordTables &cache, const FieldTable &exp, const FieldTable &log,
                      int order);

// A field with tables of its own, built on the spot (the reference paths and one-off uses).
class OwnFastField {
public:
    OwnFastField(const FieldTable &exp, const FieldTable &log, int order) {
        BuildFastField(exp, log, order, tables_);
    }
    OwnFastField(const OwnFastField &) = delete;
    OwnFastField &operator=(const OwnFastField &) = delete;
    FastField Field() const { return FastField(tables_); }

private:
    FastFieldTables tables_;
};

// The error locator of the time-domain Berlekamp-Massey decoder ("АБМВ" and the binary BCH
// decoder), carried in the transform domain. The time-domain vectors are the images of
// polynomials: lambda[p] = Lambda(alpha^-p), b[p] = B(alpha^-p); multiplying by alpha^-p is
// multiplying by x, and the discrepancy sum over p of lambda[p] v[p] alpha^(p r) is
// sum over i of Lambda_i S_(r-i) with S_j = v(alpha^j). Field arithmetic is exact, so the locator
// is the same to the bit, at O(t^2) instead of O(t N).
// s[1..twoT] are the syndromes (only s[1..twoT-1] are read when evenStepsZero). evenStepsZero
// takes the discrepancy of every even step as 0, as the binary decoder does. lambda must hold
// twoT + 1 entries; Lambda is written to lambda[0..deg] with lambda[0] = 1 and deg returned
// (deg <= twoT bounds the degree; its top coefficients may be 0).
int TimeDomainLocator(const FastField &f, const std::uint8_t *s, int twoT, bool evenStepsZero,
                      std::uint8_t *lambda);

// Logarithms (FastField::Log, so 0 gives the sentinel) of the symbols 1..N of a word.
using LogWord = std::array<int, kMaxFieldOrder + 1>;

// out[j] = w(alpha^x_j) for j = 0..count-1, for the word w whose symbol h = 1..N is the
// coefficient of x^(N-h) (the syndromes and the error values of the decoders); 1 <= x_j < N.
void EvaluateWord(const FastField &f, const LogWord &logSymbol, const int *x, int count,
                  std::uint8_t *out);

// out[j] = poly(alpha^(x0 + j*direction)) for j = 0..count-1 (the root search of the decoders),
// with 0 <= x0 < N, direction +1 or -1, poly of degree deg < N.
void EvaluateAtSuccessivePowers(const FastField &f, const std::uint8_t *poly, int deg, int x0,
                                int direction, int count, std::uint8_t *out);

// The root search of the decoders: the j = 0..count-1, increasing, at which
// poly(alpha^(x0 + j*direction)) = 0, into at[]; returns how many. Arguments as for
// EvaluateAtSuccessivePowers. FindRootsPlain evaluates every point. FindRoots gives the same
// answer sooner: it evaluates the points in order and divides each root it finds out of the
// polynomial; once the degree left is 2 or less, the roots left are read off in closed form.
int FindRootsPlain(const FastField &f, const std::uint8_t *poly, int deg, int x0, int direction,
                   int count, int *at);
int FindRoots(const FastField &f, const std::uint8_t *poly, int deg, int x0, int direction,
              int count, int *at);

} // namespace spi
