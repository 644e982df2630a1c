// The fast paths of the binary cyclic coders against the plain versions kept beside them: the
// byte-wise division of the encoder and the syndrome decoder, and the looked-up (7,3) majority
// decoder. Every cell they write must come out the same to the byte.
#include "coding/cyclic_code.h"
#include "coding/cyclic_test_util.h"
#include "coding/short_cyclic_decoders.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace spi {
namespace {

using test::SetCyclicCode;

// Mostly bits, now and then any byte: only the low bit may count.
std::uint8_t RandomCell(Random &random) {
    return static_cast<std::uint8_t>(random.RandomInt(8) == 0 ? random.RandomInt(256)
                                                              : random.RandomInt(2));
}

struct Pair {
    std::unique_ptr<ModelState> fast = MakeModel();
    std::unique_ptr<ModelState> plain = MakeModel();
};

void EncodeAndDecodeOneWord(Pair &models, Random &random, long long number) {
    ModelState &f = *models.fast, &p = *models.plain;
    const int n = f.codeN, k = f.codeK;
    for (int i = 1; i <= k; ++i)
        f.infoWord[i] = p.infoWord[i] = RandomCell(random);
    encodeCyclic(f, f.infoWord, f.codeWord);
    encodeCyclicPlain(p, p.infoWord, p.codeWord);
    ASSERT_EQ(f.codeWord, p.codeWord);

    // A codeword with a few errors, or now and then any word at all.
    const bool any = random.RandomInt(4) == 0;
    for (int i = 1; i <= n; ++i)
        f.rxWord[i] = any ? RandomCell(random) : f.codeWord[i];
    for (int e = random.RandomInt(f.codeT + 3); e > 0; --e)
        f.rxWord[1 + random.RandomInt(n)] ^= 1;
    p.rxWord = f.rxWord;
    decodeSyndrome(f, f, f.rxWord, f.decodedWord, number,
                   {f.detectedBlockCount, f.wordErrProbAfter});
    decodeSyndromePlain(p, p, p.rxWord, p.decodedWord, number,
                        {p.detectedBlockCount, p.wordErrProbAfter});
    ASSERT_EQ(f.decodedWord, p.decodedWord);
    ASSERT_EQ(f.decoderWork1, p.decoderWork1);
    ASSERT_EQ(f.decoderWork2, p.decoderWork2);
    ASSERT_EQ(f.decoderWork3, p.decoderWork3);
    ASSERT_EQ(f.parityColumns, p.parityColumns);
    ASSERT_EQ(f.detectedBlockCount, p.detectedBlockCount);
    ASSERT_EQ(f.wordErrProbAfter, p.wordErrProbAfter);
}

TEST(CyclicFastPath, ByteWiseDivisionAgreesWithThePlainOne) {
    struct Case {
        std::string g;
        int n, k, maxCm;
    };
    const auto model = MakeModel();
    const auto row = [&](int i) { return std::string(model->bchTable[i].g); };
    const std::vector<Case> cases = {
        {"35", 7, 3, 1},        // the default code: less than a byte of information
        {row(15), 63, 45, 3},   // BCH(63,45)
        {row(50), 255, 191, 2}, // BCH(255,191): g(x) of degree 64, r = 64
        {row(15), 50, 32, 3},   // shortened, whole bytes of information
        {row(15), 27, 9, 2},    // shortened, a byte and a bit
        {row(15), 30, 20, 2},   // g(x) of higher degree than r
        {row(15), 16, 10, 2},   // terms of g(x) from n on left out: x^16..x^18
        {row(15), 17, 11, 2},   // the same r, x^16 now in
        {row(34), 127, 57, 2},  // r = 70: the plain division throughout
        {row(34), 100, 40, 2},  // a term beyond x^64 below n: the plain division too
        {"13", 1000, 997, 1},   // a long word
        {"23", 2100, 2096, 1},  // the longest word
        {"1", 12, 12, 1},       // no parity at all
    };
    std::vector<Pair> models(cases.size());
    Random random{4242};
    // Two rounds over the codes, so that the table kept per thread must follow each g(x).
    for (int round = 0; round < 2; ++round) {
        for (std::size_t c = 0; c < cases.size(); ++c) {
            const Case &code = cases[c];
            const int cm = 1 + round % code.maxCm;
            SetCyclicCode(*models[c].fast, code.g, code.n, code.k, cm);
            SetCyclicCode(*models[c].plain, code.g, code.n, code.k, cm);
            models[c].fast->wordCount = models[c].plain->wordCount = 100;
            for (long long number = 1; number <= 100; ++number) {
                EncodeAndDecodeOneWord(models[c], random, number);
                ASSERT_FALSE(HasFatalFailure())
                    << code.g << " (" << code.n << "," << code.k << ") word " << number;
            }
        }
    }
}

// Every word of the (7,3) code with any bits above the low one and beyond position 7.
TEST(CyclicFastPath, LookedUpMajority73AgreesWithTheRegister) {
    auto f = MakeModel(), p = MakeModel();
    Random random{77};
    for (int word = 0; word < 256 * 8; ++word) {
        for (int i = 1; i <= 8; ++i)
            f->rxWord[i] =
                static_cast<std::uint8_t>(((word >> (i - 1)) & 1) | (random.RandomInt(128) << 1));
        for (int i = 1; i <= 9; ++i)
            f->decodedWord[i] = p->decodedWord[i] = RandomCell(random);
        p->rxWord = f->rxWord;
        decodeMajority73(f->rxWord, f->decodedWord);
        decodeMajority73Plain(p->rxWord, p->decodedWord);
        ASSERT_EQ(f->decodedWord, p->decodedWord) << "word " << word;
    }
}

} // namespace
} // namespace spi
