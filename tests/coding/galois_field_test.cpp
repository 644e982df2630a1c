#include "chain/source_stats.h"
#include "coding/bch_code.h"
#include "coding/code_setup.h"
#include "coding/galois_field.h"

#include <gtest/gtest.h>

#include <vector>

namespace spi {
namespace {

struct FieldCase {
    const char *digits;
    int m;
    unsigned poly; // the field polynomial, bit i = coefficient of x^i
};

const FieldCase kFields[] = {
    {"023", 3, 0b1011},    {"034", 4, 0b10011},    {"035", 5, 0b100101},
    {"056", 6, 0b1000011}, {"047", 7, 0b10001001}, {"04568", 8, 0b100011101},
};

// a * b mod poly by shifts and exclusive ors, without any table.
unsigned CarrylessMulMod(unsigned a, unsigned b, unsigned poly, int m) {
    unsigned r = 0;
    for (int i = 0; i < m; ++i)
        if ((b >> i) & 1u)
            r ^= a << i;
    for (int i = 2 * m - 2; i >= m; --i)
        if ((r >> i) & 1u)
            r ^= poly << (i - m);
    return r;
}

// The tables against a shift register and a table-free multiplication.
void ExpectField(const FieldTable &exp, const FieldTable &log, const FieldCase &c) {
    const int order = (1 << c.m) - 1;
    SCOPED_TRACE(c.digits);
    std::vector<bool> seen(order + 1, false);
    unsigned x = 1;
    for (int e = 0; e < order; ++e) {
        ASSERT_EQ(exp[e], x) << "e=" << e;
        ASSERT_FALSE(seen[x]) << "alpha^" << e << " repeats";
        seen[x] = true;
        ASSERT_EQ(log[x], e == 0 ? order : e);
        x <<= 1;
        if ((x >> c.m) & 1u)
            x ^= c.poly;
    }
    EXPECT_EQ(x, 1u) << "alpha^N must be 1";
    EXPECT_EQ(exp[order], 1);
    EXPECT_TRUE(FieldTablesValid(exp, log, order));

    const OwnFastField own(exp, log, order);
    const FastField fast = own.Field();
    int wrong = 0;
    for (unsigned a = 0; a <= static_cast<unsigned>(order); ++a) {
        for (unsigned b = 0; b <= static_cast<unsigned>(order); ++b) {
            const unsigned want = CarrylessMulMod(a, b, c.poly, c.m);
            const auto ua = static_cast<std::uint8_t>(a), ub = static_cast<std::uint8_t>(b);
            wrong += GfMultiply(exp, log, order, ua, ub) != want;
            wrong += fast.Mul(ua, ub) != want;
        }
        if (a != 0)
            wrong += fast.Mul(static_cast<std::uint8_t>(a),
                              fast.Inverse(static_cast<std::uint8_t>(a))) != 1;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(GaloisField, LongDivisionBuildsEveryField) {
    for (const FieldCase &c : kFields) {
        GaloisCoderState s;
        StoreFieldPolyDigits(s, c.digits);
        FieldTable exp{}, log{};
        ASSERT_EQ(BuildFieldTables(s.fieldPolyDigits, s.fieldPolyTermCount, exp, log),
                  (1 << c.m) - 1);
        ExpectField(exp, log, c);
    }
}

TEST(GaloisField, RefusesDigitsThatDescribeNoField) {
    const auto build = [](std::vector<std::uint8_t> digits) {
        FieldDigits d{};
        for (std::size_t i = 0; i < digits.size() && i < 5; ++i)
            d[i + 1] = digits[i];
        FieldTable exp{}, log{};
        exp[5] = 77;
        const int order = BuildFieldTables(d, static_cast<int>(digits.size()), exp, log);
        if (order == 0) {
            EXPECT_EQ(exp[5], 77) << "a refused field leaves the tables alone";
        }
        return order;
    };
    EXPECT_EQ(build({}), 0);
    EXPECT_EQ(build({3}), 0);
    EXPECT_EQ(build({0, 2}), 0);    // m = 2
    EXPECT_EQ(build({0, 9}), 0);    // m = 9
    EXPECT_EQ(build({1, 2, 3}), 0); // no x^m term
    EXPECT_EQ(build({0, 4, 3}), 0); // a digit above m
    EXPECT_EQ(build({0, 1, 2, 3, 4, 5}), 0);
    EXPECT_EQ(build({0, 2, 3}), 7);
}

// The RS set-up and the BCH decoder build the same fields into their own tables.
TEST(GaloisField, CodersBuildTheirOwnTables) {
    const struct {
        int rsCode;
        int bchRow;
        const FieldCase *field;
    } cases[] = {{1, 2, &kFields[0]},   {3, 6, &kFields[1]},  {6, 7, &kFields[2]},
                 {10, 24, &kFields[3]}, {0, 25, &kFields[4]}, {12, 76, &kFields[5]}};
    for (const auto &c : cases) {
        auto m = MakeModel();
        const int order = (1 << c.field->m) - 1;
        if (c.rsCode != 0) {
            m->polyNumbers[0] = static_cast<std::uint8_t>(c.rsCode);
            SilentNotifier quiet;
            SetUpNonBinaryCode(*m, *m, quiet);
            ExpectField(m->gfExp, m->gfLog, *c.field);
        }
        const BchRow &row = m->bchTable[c.bchRow];
        m->codeType = 14;
        m->polyNumbers[0] = static_cast<std::uint8_t>(c.bchRow);
        m->codeN = row.n;
        m->codeK = row.k;
        m->codeT = row.t;
        m->fixedSeed = 1;
        PrepareTestRun(*m, row.n, row.k, 0, 14, 1, 0);
        decodeBch(*m, *m, m->rxWord, m->decodedWord);
        EXPECT_EQ(m->rsGeneratorReady, kCoderReadyMark);
        EXPECT_EQ(m->bchOrder, order);
        EXPECT_EQ(m->bchDegree, c.field->m);
        ExpectField(m->bchExp, m->bchLog, *c.field);
        if (c.rsCode != 0) // the RS tables are not the decoder's
            ExpectField(m->gfExp, m->gfLog, *c.field);
    }
}

} // namespace
} // namespace spi
