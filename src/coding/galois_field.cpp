#include "coding/galois_field.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace spi {

void StoreFieldPolyDigits(GaloisCoderState &s, std::string_view digits) {
    const std::size_t count = std::min<std::size_t>(digits.size(), s.fieldPolyDigits.size() - 1);
    for (std::size_t i = 0; i < count; ++i)
        s.fieldPolyDigits[i + 1] = static_cast<std::uint8_t>(digits[i] - '0');
    s.fieldPolyTermCount = static_cast<std::uint8_t>(count);
}

int BuildFieldTables(const FieldDigits &digits, int count, FieldTable &exp, FieldTable &log) {
    if (count < 2 || count > 5)
        return 0;
    const int m = digits[count];
    if (m < kMinFieldDegree || m > kMaxFieldDegree || digits[1] != 0)
        return 0;
    for (int i = 1; i <= count; ++i)
        if (digits[i] > m)
            return 0;
    const int order = (1 << m) - 1;

    // x^(N-s) mod f(x) by long division, for s = 1..N-m. Position p of the work array stands for
    // x^(N-p); the leading digit 0 is the term x^m, so each subtraction clears the position it
    // starts from, and what remains at positions N-m+1..N is the remainder.
    std::array<std::uint8_t, kMaxFieldOrder + 1> work{};
    for (int s = 1; s <= order - m; ++s) {
        std::fill(work.begin() + 1, work.begin() + order + 1, 0);
        work[s] = 1;
        for (int d = 1; d <= order - m; ++d) {
            if (work[d] == 0)
                continue;
            for (int i = 1; i <= count; ++i)
                work[d + digits[static_cast<std::size_t>(i)]] ^= 1;
        }
        int value = 0;
        for (int c = 0; c < m; ++c)
            value += work[order - c] << c;
        exp[order - s] = static_cast<std::uint8_t>(value);
    }
    for (int e = 0; e < m; ++e)
        exp[e] = static_cast<std::uint8_t>(1 << e);
    exp[order] = 1;
    for (int e = 0; e <= order; ++e)
        log[exp[e]] = static_cast<std::uint8_t>(e);
    return order;
}

bool FieldTablesValid(const FieldTable &exp, const FieldTable &log, int order) {
    if (order != 7 && order != 15 && order != 31 && order != 63 && order != 127 && order != 255)
        return false;
    if (exp[0] != 1 || exp[order] != 1 || log[1] != order)
        return false;
    for (int e = 1; e < order; ++e) {
        const int v = exp[e];
        if (v < 2 || v > order || log[v] != e)
            return false;
    }
    return true;
}

std::string_view BchFieldDigits(int row) {
    if (row < 1 || row > 76)
        return {};
    if (row <= 2)
        return "023";
    if (row <= 6)
        return "034";
    if (row <= 12)
        return "035";
    if (row <= 24)
        return "056";
    if (row <= 42)
        return "047";
    return "04568";
}

int BchFieldOrder(int row) {
    const std::string_view digits = BchFieldDigits(row);
    return digits.empty() ? 0 : (1 << (digits.back() - '0')) - 1;
}

void BuildFastField(const FieldTable &exp, const FieldTable &log, int order, FastFieldTables &out) {
    const int n = std::clamp(order, 1, kMaxFieldOrder);
    out.order = n;
    out.zeroLog = 2 * n - 1;
    // The model's log[1] is N; reduced here so that every sum of logarithms stays below 2N - 1.
    // Values above N are no elements of the field and never occur.
    std::fill(out.log.begin(), out.log.end(), static_cast<std::uint16_t>(out.zeroLog));
    for (int v = 1; v <= n; ++v) {
        int l = log[v];
        if (l >= n)
            l -= n;
        out.log[v] = static_cast<std::uint16_t>(std::min(l, n - 1));
    }
    // alpha^e for e = 0..2N-2, then zeros up to the largest sum of two sentinels, 4N-2.
    for (int e = 0; e < n; ++e) {
        out.exp[e] = exp[e];
        out.exp[n + e] = exp[e];
    }
    std::fill(out.exp.begin() + 2 * n - 1, out.exp.begin() + 4 * n - 1, 0);
    // y and y + 1 give the same y^2 + y; 0 and 1 give 0, which no k != 0 reads.
    std::fill(out.quadraticRoot.begin(), out.quadraticRoot.end(), 0);
    for (int y = 2; y <= n; ++y) {
        const int square = out.exp[2 * out.log[y]];
        out.quadraticRoot[static_cast<std::size_t>(square ^ y)] = static_cast<std::uint8_t>(y);
    }
}

FastField CachedField(GaloisWordTables &cache, const FieldTable &exp, const FieldTable &log,
                      int order) {
    const int n = std::clamp(order, 1, kMaxFieldOrder);
    const auto used = static_cast<std::size_t>(n) + 1;
    if (cache.field.order != n ||
        !std::equal(exp.begin(), exp.begin() + used, cache.fieldFrom.begin())) {
        BuildFastField(exp, log, order, cache.field);
        std::copy(exp.begin(), exp.begin() + used, cache.fieldFrom.begin());
        cache.nibbleKey = {};
        cache.powerCount = 0;
        cache.generatorFrom.clear();
    }
    return FastField(cache.field);
}

int TimeDomainLocator(const FastField &f, const std::uint8_t *s, int twoT, bool evenStepsZero,
                      std::uint8_t *lambda) {
    // B(x) = x^shift * b(x): the steps that multiply b by alpha^-p only count.
    // Only the cells up to the degrees are read, each written first.
    std::array<std::uint8_t, kMaxFieldOrder + 1> b;
    std::array<std::uint8_t, kMaxFieldOrder + 1> previous;
    int degB = 0;
    int shift = 0;
    b[0] = 1;
    lambda[0] = 1;
    int deg = 0;
    int length = 0;
    twoT = std::min(twoT, kMaxFieldOrder - 1);
    for (int r = 1; r <= twoT; ++r) {
        std::uint8_t delta = 0;
        if (!evenStepsZero || r % 2 == 1) {
            // deg <= r - 1 here, so only s[1..r] are read.
            const int top = std::min(deg, r - 1);
            for (int i = 0; i <= top; ++i)
                delta ^= f.Mul(lambda[i], s[r - i]);
        }
        if (delta == 0) {
            ++shift;
            continue;
        }
        const bool lengthChanges = !(r - 1 < 2 * length);
        const int oldDeg = deg;
        if (lengthChanges)
            std::copy(lambda, lambda + deg + 1, previous.begin());
        // T = Lambda + delta * x * B
        const int from = shift + 1;
        const int newDeg = std::max(deg, from + degB);
        std::fill(lambda + deg + 1, lambda + newDeg + 1, 0);
        const int logDelta = f.Log(delta);
        for (int i = 0; i <= degB; ++i)
            lambda[from + i] ^= f.MulPow(b[i], logDelta);
        deg = newDeg;
        if (lengthChanges) {
            length = r - length;
            const int logInverse = f.Log(f.Inverse(delta));
            for (int i = 0; i <= oldDeg; ++i)
                b[i] = f.MulPow(previous[i], logInverse);
            degB = oldDeg;
            shift = 0;
        } else {
            ++shift;
        }
    }
    return deg;
}

void EvaluateWord(const FastField &f, const LogWord &logSymbol, const int *x, int count,
                  std::uint8_t *out) {
    // For a fixed x the exponent (N-h)*x mod N falls by x from one symbol to the next, so the
    // loop has no division; four points are summed side by side so that their exponent chains
    // overlap.
    const int n = f.Order();
    const auto fall = [n](int &e, int by) {
        e -= by;
        if (e < 0)
            e += n;
    };
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        const int x0 = x[j], x1 = x[j + 1], x2 = x[j + 2], x3 = x[j + 3];
        // symbol 1 is the coefficient of x^(N-1): exponent (N-1)*x = N - x mod N
        int e0 = n - x0, e1 = n - x1, e2 = n - x2, e3 = n - x3;
        std::uint8_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (int h = 1; h <= n; ++h) {
            const int l = logSymbol[h];
            s0 ^= f.Exp(l + e0);
            s1 ^= f.Exp(l + e1);
            s2 ^= f.Exp(l + e2);
            s3 ^= f.Exp(l + e3);
            fall(e0, x0);
            fall(e1, x1);
            fall(e2, x2);
            fall(e3, x3);
        }
        out[j] = s0;
        out[j + 1] = s1;
        out[j + 2] = s2;
        out[j + 3] = s3;
    }
    for (; j < count; ++j) {
        int e = n - x[j];
        std::uint8_t sum = 0;
        for (int h = 1; h <= n; ++h) {
            sum ^= f.Exp(logSymbol[h] + e);
            fall(e, x[j]);
        }
        out[j] = sum;
    }
}

namespace {

// out[x] ^= the sum of K terms at the points x = 0..count-1, side by side so that their chains of
// additions overlap.
template <int K>
void AddTerms(const FastField &f, const int *power, const int *step, int count, std::uint8_t *out) {
    const int order = f.Order();
    std::array<int, K> e{};
    std::array<int, K> by{};
    for (int i = 0; i < K; ++i) {
        e[i] = power[i];
        by[i] = step[i];
    }
    for (int x = 0; x < count; ++x) {
        std::uint8_t sum = 0;
        for (int i = 0; i < K; ++i) {
            sum ^= f.Exp(e[i]);
            e[i] += by[i];
            if (e[i] >= order)
                e[i] -= order;
        }
        out[x] ^= sum;
    }
}

} // namespace

void EvaluateAtSuccessivePowers(const FastField &f, const std::uint8_t *poly, int deg, int x0,
                                int direction, int count, std::uint8_t *out) {
    // Term i contributes alpha^(log c_i + i*x); from one point to the next its exponent moves by
    // i (or N - i going down), so each term is a chain of additions.
    const int order = f.Order();
    std::array<int, kMaxFieldOrder + 1> power{};
    std::array<int, kMaxFieldOrder + 1> step{};
    int terms = 0;
    int ix = 0; // i * x0 mod N
    for (int i = 1; i <= deg; ++i) {
        ix += x0;
        if (ix >= order)
            ix -= order;
        if (poly[i] == 0)
            continue;
        power[terms] = f.Log(poly[i]) + ix;
        if (power[terms] >= order)
            power[terms] -= order;
        step[terms] = direction > 0 ? i : order - i;
        ++terms;
    }
    std::fill(out, out + count, poly[0]);
    int j = 0;
    for (; j + 4 <= terms; j += 4)
        AddTerms<4>(f, power.data() + j, step.data() + j, count, out);
    switch (terms - j) {
    case 3:
        AddTerms<3>(f, power.data() + j, step.data() + j, count, out);
        break;
    case 2:
        AddTerms<2>(f, power.data() + j, step.data() + j, count, out);
        break;
    case 1:
        AddTerms<1>(f, power.data() + j, step.data() + j, count, out);
        break;
    default:
        break;
    }
}

int FindRootsPlain(const FastField &f, const std::uint8_t *poly, int deg, int x0, int direction,
                   int count, int *at) {
    std::array<std::uint8_t, kMaxFieldOrder + 1> value;
    EvaluateAtSuccessivePowers(f, poly, deg, x0, direction, count, value.data());
    int found = 0;
    for (int j = 0; j < count; ++j)
        if (value[j] == 0)
            at[found++] = j;
    return found;
}

namespace {

// The logarithms of the distinct roots in the field of c0 + c1 x + c2 x^2 (c1 x + c0 when deg is
// 1; the top coefficient is not 0); returns how many.
int ClosedFormRoots(const FastField &f, const std::uint8_t *c, int deg, std::array<int, 2> &root) {
    const int n = f.Order();
    const auto reduce = [n](int e) { return ((e % n) + n) % n; };
    if (deg == 1) {
        if (c[0] == 0) // the root is 0
            return 0;
        root[0] = reduce(f.Log(c[0]) - f.Log(c[1]));
        return 1;
    }
    const int logA = f.Log(c[2]);
    if (c[0] == 0) { // x (c2 x + c1)
        if (c[1] == 0)
            return 0;
        root[0] = reduce(f.Log(c[1]) - logA);
        return 1;
    }
    if (c[1] == 0) { // x^2 = c0 / c2, one square root (N is odd)
        const int e = reduce(f.Log(c[0]) - logA);
        root[0] = e % 2 == 0 ? e / 2 : (e + n) / 2;
        return 1;
    }
    // x = (c1 / c2) y turns it into y^2 + y + k, k = c2 c0 / c1^2.
    const int logB = f.Log(c[1]);
    const std::uint8_t y = f.QuadraticRoot(f.Exp(reduce(logA + f.Log(c[0]) - 2 * logB)));
    if (y == 0)
        return 0;
    root[0] = reduce(logB - logA + f.Log(y));
    root[1] = reduce(logB - logA + f.Log(static_cast<std::uint8_t>(y ^ 1u)));
    return 2;
}

// poly / (x + alpha^e) in place, for a root alpha^e of poly; deg falls by one.
void DivideOutRoot(const FastField &f, std::uint8_t *poly, int &deg, int e) {
    std::uint8_t carry = poly[deg];
    for (int i = deg - 1; i >= 0; --i) {
        const std::uint8_t next = poly[i] ^ f.MulPow(carry, e);
        poly[i] = carry;
        carry = next;
    }
    poly[deg] = 0;
    --deg;
}

} // namespace

int FindRoots(const FastField &f, const std::uint8_t *poly, int deg, int x0, int direction,
              int count, int *at) {
    const int n = f.Order();
    while (deg > 0 && poly[deg] == 0)
        --deg;
    // A constant, or points that repeat, are left to the plain search.
    if (deg == 0 || count > n)
        return FindRootsPlain(f, poly, deg, x0, direction, count, at);
    std::array<std::uint8_t, kMaxFieldOrder + 1> left; // cells 0..deg
    std::copy(poly, poly + deg + 1, left.begin());
    const auto pointOf = [&](int j) { return ((x0 + direction * j) % n + n) % n; };
    // The points in blocks while more than two roots may be left; a root found in a block is a
    // root of what is left after the earlier ones are divided out, and of nothing found later.
    constexpr int kBlock = 32;
    std::array<std::uint8_t, kBlock> value{};
    const int blockStep = direction > 0 ? kBlock % n : n - kBlock % n;
    int found = 0;
    int from = 0;
    int point = pointOf(0);
    while (deg > 2 && from < count) {
        const int length = std::min(kBlock, count - from);
        EvaluateAtSuccessivePowers(f, left.data(), deg, point, direction, length, value.data());
        for (int j = 0; j < length; j += 8) {
            // Eight values at a time, looked at one by one only when one of them is 0.
            std::uint64_t eight = 0;
            std::memcpy(&eight, value.data() + j, sizeof eight);
            constexpr std::uint64_t kOnes = 0x0101010101010101ull;
            if (((eight - kOnes) & ~eight & (kOnes << 7)) == 0)
                continue;
            for (int i = j; i < std::min(j + 8, length); ++i) {
                if (value[i] != 0)
                    continue;
                at[found++] = from + i;
                DivideOutRoot(f, left.data(), deg, pointOf(from + i));
            }
        }
        from += length;
        point += blockStep;
        if (point >= n)
            point -= n;
    }
    // Every root still to come is a root of what is left; roots it has before `from` were found.
    std::array<int, 2> root{};
    const int closed = deg >= 1 && from < count ? ClosedFormRoots(f, left.data(), deg, root) : 0;
    std::array<int, 2> late{};
    int lateCount = 0;
    for (int r = 0; r < closed; ++r) {
        const int j = ((root[r] - x0) * direction % n + n) % n;
        if (j >= from && j < count)
            late[lateCount++] = j;
    }
    if (lateCount == 2 && late[0] > late[1])
        std::swap(late[0], late[1]);
    for (int r = 0; r < lateCount; ++r)
        at[found++] = late[r];
    return found;
}

} // namespace spi
