// The built-in tables: every BCH generator recomputed from its field, every cyclic generator of
// the right degree and a divisor of x^n + 1, the tap sets as the coder and the encoders read them.
#include "model/model_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Poly = std::vector<int>; // GF(2) coefficients, index = power

Poly FromOctal(const std::string &octal) {
    Poly p;
    for (auto it = octal.rbegin(); it != octal.rend(); ++it)
        for (int b = 0; b < 3; ++b)
            p.push_back(((*it - '0') >> b) & 1);
    while (!p.empty() && p.back() == 0)
        p.pop_back();
    return p;
}

int Degree(const Poly &p) {
    return static_cast<int>(p.size()) - 1;
}

Poly Mul(const Poly &a, const Poly &b) {
    Poly r(a.size() + b.size() - 1, 0);
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i])
            for (std::size_t j = 0; j < b.size(); ++j)
                r[i + j] ^= b[j];
    while (!r.empty() && r.back() == 0)
        r.pop_back();
    return r;
}

// Remainder of a modulo b over GF(2).
Poly Mod(Poly a, const Poly &b) {
    for (int i = Degree(a); i >= Degree(b); --i)
        if (a[static_cast<std::size_t>(i)])
            for (int j = 0; j <= Degree(b); ++j)
                a[static_cast<std::size_t>(i - Degree(b) + j)] ^= b[static_cast<std::size_t>(j)];
    while (!a.empty() && a.back() == 0)
        a.pop_back();
    return a;
}

// Minimal polynomial over GF(2) of alpha^i, alpha a root of the primitive polynomial prim of
// degree m: the product of (x - alpha^c) over the cyclotomic coset of i.
Poly MinimalPolynomial(int i, unsigned prim, int m, std::set<int> *coset) {
    const int n = (1 << m) - 1;
    std::vector<unsigned> exp(static_cast<std::size_t>(n));
    exp[0] = 1;
    for (int j = 1; j < n; ++j) {
        unsigned v = exp[static_cast<std::size_t>(j - 1)] << 1;
        if (v >> m)
            v ^= prim;
        exp[static_cast<std::size_t>(j)] = v;
    }
    std::vector<int> log(static_cast<std::size_t>(n + 1), 0);
    for (int j = 0; j < n; ++j)
        log[exp[static_cast<std::size_t>(j)]] = j;
    auto mul = [&](unsigned a, unsigned b) -> unsigned {
        if (!a || !b)
            return 0;
        return exp[static_cast<std::size_t>((log[a] + log[b]) % n)];
    };
    coset->clear();
    for (int c = i % n; !coset->count(c); c = (2 * c) % n)
        coset->insert(c);
    std::vector<unsigned> p{1};
    for (int c : *coset) {
        std::vector<unsigned> q(p.size() + 1, 0);
        for (std::size_t t = 0; t < p.size(); ++t) {
            q[t + 1] ^= p[t];
            q[t] ^= mul(p[t], exp[static_cast<std::size_t>(c)]);
        }
        p = q;
    }
    Poly r;
    for (unsigned c : p) {
        EXPECT_LE(c, 1u) << "minimal polynomial with a coefficient outside GF(2)";
        r.push_back(static_cast<int>(c));
    }
    return r;
}

Poly BchGenerator(int n, int t) {
    const unsigned prim = n == 7     ? 013
                          : n == 15  ? 023
                          : n == 31  ? 045
                          : n == 63  ? 0103
                          : n == 127 ? 0211
                                     : 0435;
    int m = 0;
    while ((1 << m) - 1 < n)
        ++m;
    std::set<std::set<int>> used;
    Poly g{1};
    for (int i = 1; i <= 2 * t; ++i) {
        std::set<int> coset;
        Poly mp = MinimalPolynomial(i, prim, m, &coset);
        if (used.insert(coset).second)
            g = Mul(g, mp);
    }
    return g;
}

TEST(BchTable, PrimitiveRowsAreTheLcmOfTheirMinimalPolynomials) {
    for (int row = 1; row <= 76; ++row) {
        const auto &r = spi::kBchTable[static_cast<std::size_t>(row)];
        EXPECT_EQ(FromOctal(r.g), BchGenerator(r.n, r.t)) << "row " << row;
    }
}

TEST(BchTable, EveryGeneratorHasDegreeNMinusKAndDividesXnPlusOne) {
    for (int row = 1; row <= spi::kBchRows; ++row) {
        const auto &r = spi::kBchTable[static_cast<std::size_t>(row)];
        const Poly g = FromOctal(r.g);
        EXPECT_EQ(Degree(g), r.n - r.k) << "row " << row;
        Poly xn(static_cast<std::size_t>(r.n + 1), 0);
        xn[0] = xn[static_cast<std::size_t>(r.n)] = 1;
        EXPECT_TRUE(Mod(xn, g).empty()) << "row " << row << " does not divide x^n+1";
        EXPECT_LE(std::string(r.g).size(), 91u);
    }
}

TEST(BchTable, RowsThatOtherBlocksRelyOn) {
    EXPECT_STREQ(spi::kBchTable[86].g, "5343"); // the (23,12) code of the Kasami-Rudolph decoder
    EXPECT_STREQ(spi::kBchTable[87].g, "35");   // the (7,3) default code
    EXPECT_EQ(FromOctal("13"), (Poly{1, 1, 0, 1})); // x^3 + x + 1, not x^3 + x^2 + 1
    EXPECT_STREQ(spi::kBchTable[26].g, "41567");
    EXPECT_STREQ(spi::kBchTable[44].g, "267543");
}

std::vector<int> Taps(const char *text) {
    std::vector<int> taps;
    std::stringstream s(text);
    std::string piece;
    while (std::getline(s, piece, ','))
        taps.push_back(std::stoi(piece));
    return taps;
}

TEST(TapTable, TapSetsStartAtZeroAndRiseAndKeepTheirRecordedColumns) {
    for (int row = 1; row <= spi::kTapRows; ++row) {
        const auto &r = spi::kTapTable[static_cast<std::size_t>(row)];
        const auto taps = Taps(r.taps);
        ASSERT_FALSE(taps.empty());
        EXPECT_EQ(taps.front(), 0) << "row " << row;
        EXPECT_TRUE(std::is_sorted(taps.begin(), taps.end())) << "row " << row;
        EXPECT_LE(std::string(r.taps).size(), 103u);
        // Three rows hold a J or m that differs from their own tap string, as the table always had.
        if (row == 113) {
            EXPECT_EQ(r.J, 7);
            EXPECT_EQ(taps.size(), 6u);
        } else {
            EXPECT_EQ(static_cast<int>(taps.size()), r.J) << "row " << row;
        }
        if (row == 20)
            EXPECT_EQ(r.m, 12);
        else if (row == 165)
            EXPECT_EQ(r.m, 359);
        else
            EXPECT_EQ(taps.back(), r.m) << "row " << row;
    }
    EXPECT_EQ(Taps(spi::kTapTable[20].taps), (std::vector<int>{0, 3, 9}));
    EXPECT_STREQ(spi::kTapTable[31].taps, "0,2,5,6");
    EXPECT_EQ(spi::kTapTable[170].m, 7);
}

TEST(ModelDefaults, StartUpValues) {
    auto m = spi::MakeModel();
    EXPECT_EQ(m->codeType, 5);
    EXPECT_EQ(m->codeN, 7);
    EXPECT_EQ(m->codeK, 3);
    EXPECT_EQ(m->codeT, 1);
    EXPECT_EQ(m->genPolyText, "35");
    EXPECT_EQ(m->ilvA, 1);
    EXPECT_EQ(m->ilvC, 1);
    EXPECT_EQ(m->ilvL, 1);
    EXPECT_EQ(m->wordCount, 1000);
    EXPECT_EQ(m->stat1WordLength, 36);
    EXPECT_EQ(m->ruThreshold1, 3.0);
    EXPECT_EQ(m->ruThreshold2, 0.6);
    EXPECT_EQ(m->breakParams[6], 2000.0);
    EXPECT_EQ(m->channelType, 0);
    EXPECT_EQ(m->channelEntered, 0);
    EXPECT_EQ(m->bchTable[87].n, 7);
    EXPECT_EQ(m->tapTable[31].J, 4);
}

} // namespace
