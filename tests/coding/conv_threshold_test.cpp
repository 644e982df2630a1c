// Convolutional codes with threshold decoding: the one-word delay over error-free streams, the
// correcting power of the codes, the pass rules, known answers, and the settings check.
#include "coding/conv_threshold.h"

#include "chain/source_stats.h"
#include "coding/gen_poly_parser.h"
#include "model/notifier.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace spi {
namespace {

using Bits = std::vector<std::uint8_t>;

struct Code {
    const char *name;
    std::uint16_t type;
    std::vector<int> rows; // tap-table rows, in the order of selection (types 7..16)
    bool highRate;         // k0 = n0-1 instead of 1
    int cm;
};

void StartRun(ModelState &m) {
    m.fixedSeed = 1;
    PrepareTestRun(m, m.codeN, m.codeK, m.convN0, m.codeType, 1, m.convK0);
}

// Types 1 and 6 as the coder window leaves them: one polynomial, n = 2k, n0 = 2.
std::unique_ptr<ModelState> HalfRateModel(std::uint16_t type, const char *g, int k, int cm) {
    auto m = MakeModel();
    m->codeType = type;
    m->genPolyText = g;
    m->codeN = 2 * k;
    m->codeK = k;
    m->codeT = cm;
    m->convN0 = 2;
    m->convK0 = 1;
    SilentNotifier quiet;
    parseGenPoly(*m, quiet);
    StartRun(*m);
    return m;
}

// Types 7..16: one tap-table row per click of the selection, n = m*n0, k = m*k0 with m of the
// row chosen last.
std::unique_ptr<ModelState> SetModel(std::uint16_t type, const std::vector<int> &rows,
                                     bool highRate, int cm) {
    auto m = MakeModel();
    m->codeType = type;
    std::string g;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m->polyNumbers[i] = static_cast<std::uint8_t>(rows[i]);
        g += std::string(m->tapTable[rows[i]].taps) + ",";
    }
    m->genPolyText = g;
    m->convN0 = static_cast<int>(rows.size()) + 1;
    m->convK0 = highRate ? m->convN0 - 1 : 1;
    const int mm = m->tapTable[rows.back()].m;
    m->codeN = mm * m->convN0;
    m->codeK = mm * m->convK0;
    m->codeT = cm;
    SilentNotifier quiet;
    parseGenPoly(*m, quiet);
    StartRun(*m);
    return m;
}

// The coders on the model's parts, as the chain hands them over.
void Encode(ModelState &m) {
    if (m.codeType == 1 || m.codeType == 6)
        encodeConvHalf(m, m, m.infoWord, m.codeWord);
    else
        encodeConvK0N0(m, m.tapTable, m, m, m.infoWord, m.codeWord);
}

void Decode(ModelState &m) {
    if (m.codeType == 1)
        decodeConvHalf(m, m, m.rxWord, m.channelSeq, m.decodedWord);
    else if (m.codeType == 6)
        decodeConv105(m.codeN, m, m.rxWord, m.decodedWord);
    else
        decodeConvK0N0(m, m.tapTable, m, m, m.rxWord, m.channelSeq, m.decodedWord);
}

std::unique_ptr<ModelState> Build(const Code &c) {
    if (c.type == 1)
        return HalfRateModel(1, "0,2,5,6", 6, c.cm);
    if (c.type == 6)
        return HalfRateModel(6, "71", 5, c.cm);
    return SetModel(c.type, c.rows, c.highRate, c.cm);
}

// Source, encoder, channel and decoder of a run, one word at a time. The decoded word is compared
// with the word sent before it, which starts as the set-up's preset of infoWord.
class Stream {
public:
    explicit Stream(ModelState &m)
        : m_(m), previous_(m.infoWord.begin() + 1, m.infoWord.begin() + 1 + m.codeK) {}

    // Sends one random word with the given errors (none when empty); returns the decoded word's
    // errors against the previous word.
    Bits Send(const Bits &errors = {}) {
        const int n = m_.codeN, k = m_.codeK;
        Bits info(k);
        for (auto &b : info)
            b = static_cast<std::uint8_t>(m_.random.RandomInt(2));
        for (int i = 1; i <= k; ++i)
            m_.infoWord[i] = info[i - 1];
        Encode(m_);
        for (int j = 1; j <= n; ++j)
            m_.rxWord[j] = m_.codeWord[j] ^ (errors.empty() ? 0 : errors[j - 1]);
        Decode(m_);
        Bits wrong(k);
        for (int i = 1; i <= k; ++i)
            wrong[i - 1] = m_.decodedWord[i] ^ previous_[i - 1];
        previous_ = info;
        return wrong;
    }
    int Count(const Bits &errors = {}) {
        int count = 0;
        for (const auto b : Send(errors))
            count += b;
        return count;
    }

private:
    ModelState &m_;
    Bits previous_;
};

const std::vector<Code> &AllCodes() {
    static const std::vector<Code> codes = {
        {"type1", 1, {}, false, 6},
        {"type6", 6, {}, false, 0},
        {"rate1_2", 7, {31}, false, 5},
        {"rate1_3", 7, {38, 39}, false, 5},
        {"rate1_3_mixed_memory", 7, {31, 32}, false, 5},
        {"rate1_4", 7, {45, 46, 47}, false, 5},
        {"rate1_4_mixed_memory", 7, {31, 32, 33}, false, 5},
        {"rate2_3", 7, {31, 32}, true, 6},
        {"rate3_4", 7, {31, 32, 33}, true, 6},
        {"outer_of_type16", 16, {38, 39}, false, 5},
    };
    return codes;
}

TEST(ConvThreshold, ErrorFreeStreamsDeliverThePreviousWord) {
    for (const Code &c : AllCodes()) {
        SCOPED_TRACE(c.name);
        auto m = Build(c);
        Stream s(*m);
        for (int w = 1; w <= 40; ++w)
            ASSERT_EQ(s.Count(), 0) << "word " << w;
    }
}

// Every pattern of `weight` errors inside one word, with error-free words before and after it:
// the number of patterns after which some decoded word was wrong.
int UncorrectedPatterns(const Code &c, int weight) {
    const int n = Build(c)->codeN;
    int failures = 0;
    for (int a = 0; a < n; ++a)
        for (int b = weight == 1 ? a : a + 1; b < (weight == 1 ? a + 1 : n); ++b) {
            auto m = Build(c);
            Stream s(*m);
            int wrong = s.Count() + s.Count() + s.Count();
            Bits e(n);
            e[a] = 1;
            e[b] = 1;
            wrong += s.Count(e);
            for (int w = 0; w < 4; ++w)
                wrong += s.Count();
            failures += wrong != 0;
        }
    return failures;
}

TEST(ConvThreshold, SingleAndDoubleErrorsInOneWordAreCorrected) {
    // J = 4 orthogonal check sums per bit (types 1 and 6, rate 1/2), or a vote of several
    // polynomials (rate 1/n0): two errors within the constraint length are corrected.
    for (const char *name :
         {"type1", "type6", "rate1_2", "rate1_3", "rate1_4", "outer_of_type16"}) {
        SCOPED_TRACE(name);
        const Code *code = nullptr;
        for (const Code &c : AllCodes())
            if (std::string(c.name) == name)
                code = &c;
        ASSERT_NE(code, nullptr);
        EXPECT_EQ(UncorrectedPatterns(*code, 1), 0);
        EXPECT_EQ(UncorrectedPatterns(*code, 2), 0);
    }
}

TEST(ConvThreshold, HighRatesCorrectEverySingleError) {
    // The k0 streams of a step add into one parity bit; with their last taps assigned instead of
    // added, a third of the single errors at rate 2/3 went uncorrected.
    EXPECT_EQ(UncorrectedPatterns({"rate2_3", 7, {31, 32}, true, 6}, 1), 0);
    EXPECT_EQ(UncorrectedPatterns({"rate3_4", 7, {31, 32, 33}, true, 6}, 1), 0);
    EXPECT_EQ(UncorrectedPatterns({"rate2_3_equal_memory", 7, {38, 39}, true, 6}, 1), 0);
}

// The single-stream register as the text writes it: the last tap assigned. For one stream it
// must give the same code as the register that adds every tap.
TEST(ConvThreshold, SingleStreamRegisterMatchesTheAssigningOne) {
    for (const int row : {31, 20, 84}) {
        SCOPED_TRACE(row);
        auto m = SetModel(7, {row}, false, 5);
        const int L = m->codeK, J = m->genPolyTermCount, mm = m->tapTable[row].m;
        std::vector<std::uint8_t> R(2 * L + mm + 1, 0);
        m->random.seed = 99;
        for (int w = 0; w < 30; ++w) {
            for (int i = 1; i <= L; ++i)
                m->infoWord[i] = static_cast<std::uint8_t>(m->random.RandomInt(2));
            Encode(*m);
            for (int i = 1; i <= L; ++i)
                R[i] = R[L + i];
            for (int i = 1; i <= L; ++i) {
                const std::uint8_t u = m->infoWord[i];
                R[i + mm] = u;
                for (int t = 0; t < J - 1; ++t)
                    R[i + m->genPolyTerms[t]] ^= u;
                ASSERT_EQ(m->codeWord[2 * i - 1], u);
                ASSERT_EQ(m->codeWord[2 * i], R[i]) << "word " << w << " step " << i;
            }
        }
    }
}

// Row 84 (taps 0,2,7,13,16,17; all differences distinct): J = 6, majority 4. The previous word's
// syndromes 1, 3, 8 and 14 give bit 1 a check sum of 4 and every other bit at most 1.
std::unique_ptr<ModelState> CheckSumOfFourOnBitOne(int cm) {
    auto m = HalfRateModel(1, "0,2,7,13,16,17", 17, cm);
    for (int p : {1, 3, 8, 14})
        m->parityColumns[p] = 1;
    for (int j = 1; j <= m->codeN; ++j)
        m->rxWord[j] = 0;
    return m;
}

TEST(ConvThreshold, HalfRateStopsAfterOnePassWhenTheLargestSumIsTheMajority) {
    auto m = CheckSumOfFourOnBitOne(5);
    Decode(*m);
    // A second pass (threshold max(J-2, 4) = 4) would have inverted bit 1.
    for (int i = 1; i <= 17; ++i)
        EXPECT_EQ(m->decodedWord[i], 1) << i;

    // With bit 2 at 5 the first pass goes on: its correction adds syndrome 18 to bit 1's sum,
    // and the second pass inverts bit 1 as well.
    auto busy = CheckSumOfFourOnBitOne(5);
    for (int p : {2, 4, 9, 15})
        busy->parityColumns[p] = 1;
    busy->rxWord[4] = 1; // parity bit of step 2: current syndrome 19
    Decode(*busy);
    EXPECT_EQ(busy->decodedWord[1], 0);
    EXPECT_EQ(busy->decodedWord[2], 0);
    for (int i = 3; i <= 17; ++i)
        EXPECT_EQ(busy->decodedWord[i], 1) << i;
}

TEST(ConvThreshold, HalfRateWithoutPassesDeliversTheReceivedInformation) {
    for (const int cm : {0, -1}) {
        auto m = HalfRateModel(1, "0,2,5,6", 6, cm);
        Stream s(*m);
        s.Send();
        Bits e(12);
        e[2] = 1; // information bit 2
        e[7] = 1; // parity bit of step 4
        s.Send(e);
        const Bits wrong = s.Send();
        EXPECT_EQ(wrong, (Bits{0, 1, 0, 0, 0, 0})) << "Cm " << cm;
    }
}

TEST(ConvThreshold, RateK0N0MakesOnePassWhateverCm) {
    for (const Code &c :
         {Code{"rate1_2", 7, {31}, false, 0}, Code{"rate1_2", 7, {31}, false, 1},
          Code{"rate1_3", 7, {38, 39}, false, 0}, Code{"rate2_3", 7, {31, 32}, true, 0}}) {
        SCOPED_TRACE(std::string(c.name) + " Cm " + std::to_string(c.cm));
        auto m = Build(c);
        Stream s(*m);
        s.Send();
        Bits e(m->codeN);
        e[0] = 1; // the first information bit: all J check sums of the first pass see it
        EXPECT_EQ(s.Count(e), 0);
        EXPECT_EQ(s.Count(), 0);
        EXPECT_EQ(s.Count(), 0);
    }
}

// FNV-1a over every decoded word of a stream of random words with independent errors.
std::uint64_t DecodedHash(const Code &c, int words, double p) {
    auto m = Build(c);
    m->random.seed = 20240607;
    Stream s(*m);
    std::uint64_t h = 1469598103934665603ull;
    Bits e(m->codeN);
    for (int w = 0; w < words; ++w) {
        for (auto &b : e)
            b = m->random.RandomReal() < p ? 1 : 0;
        s.Send(e);
        for (int i = 1; i <= m->codeK; ++i) {
            h ^= m->decodedWord[i];
            h *= 1099511628211ull;
        }
    }
    return h;
}

// Type 1 and rate 1/2 with the same taps decode alike here (with J = 4 every threshold is 3), and
// type 16's outer code is type 7's.
TEST(ConvThreshold, KnownAnswers) {
    const std::vector<std::pair<const char *, std::uint64_t>> expected = {
        {"type1", 17593823681722547173ull},
        {"type6", 8545565536546746337ull},
        {"rate1_2", 17593823681722547173ull},
        {"rate1_3", 12440984928182123078ull},
        {"rate1_3_mixed_memory", 5788860249187813168ull},
        {"rate1_4", 9393476246101239551ull},
        {"rate1_4_mixed_memory", 13416727405961539114ull},
        {"rate2_3", 11498733657300549504ull},
        {"rate3_4", 893253605968639710ull},
        {"outer_of_type16", 12440984928182123078ull},
    };
    ASSERT_EQ(expected.size(), AllCodes().size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Code &c = AllCodes()[i];
        ASSERT_STREQ(c.name, expected[i].first);
        EXPECT_EQ(DecodedHash(c, 300, 0.04), expected[i].second) << c.name;
    }
}

// A received word shorter than the code's shape: the decoders take the missing positions from
// what the copy of the received word held before (in a run, channelSeq: what the interleaver or
// an earlier word left there). It decodes as the whole word whose tail is that content.
TEST(ConvThreshold, ShortReceivedWordReadsTheRestFromTheCopy) {
    const std::vector<std::pair<Code, int>> cases = {
        {{"type1", 1, {}, false, 6}, 2},
        {{"rate1_3", 7, {38, 39}, false, 5}, 3},
    };
    for (const auto &[code, cut] : cases) {
        SCOPED_TRACE(code.name);
        auto whole = Build(code);
        auto shorter = Build(code);
        const int n = whole->codeN, k = whole->codeK;
        shorter->codeN = n - cut;
        ASSERT_FALSE(CheckConvThresholdSettings(*shorter, shorter->tapTable));
        Random draws{5};
        for (int w = 0; w < 20; ++w) {
            for (int j = 1; j <= n; ++j) {
                whole->rxWord[j] = static_cast<std::uint8_t>(draws.RandomInt(2));
                shorter->rxWord[j] = j <= n - cut ? whole->rxWord[j] : 0;
                shorter->channelSeq[j] = whole->rxWord[j];
            }
            Decode(*whole);
            Decode(*shorter);
            ASSERT_EQ(std::vector<std::uint8_t>(whole->decodedWord.begin() + 1,
                                                whole->decodedWord.begin() + 1 + k),
                      std::vector<std::uint8_t>(shorter->decodedWord.begin() + 1,
                                                shorter->decodedWord.begin() + 1 + k))
                << "word " << w;
        }
    }
}

// --- The settings check ---

std::string Verdict(const ModelState &m) {
    const auto message = CheckConvThresholdSettings(m, m.tapTable);
    return message ? *message : std::string("accepted");
}

TEST(ConvThresholdSettings, AcceptsWhatCanBeIndexed) {
    for (const Code &c : AllCodes())
        EXPECT_EQ(Verdict(*Build(c)), "accepted") << c.name;
    // Inconsistent settings that stay inside the buffers are coded as they are.
    EXPECT_EQ(Verdict(*HalfRateModel(1, "0,2,5,6", 9, 6)), "accepted"); // k is not the largest tap
    auto uneven = SetModel(7, {31, 32}, false, 5);
    uneven->genPolyTermCount = 9; // not a multiple of n0-1
    EXPECT_EQ(Verdict(*uneven), "accepted");
    EXPECT_EQ(Verdict(*HalfRateModel(1, "0,2,1500,1600", 600, 6)), "accepted"); // register 2100
    auto syndromes = HalfRateModel(1, "0,2,5,9995", 6, 6);
    syndromes->codeType = 6; // the (10,5) decoder keeps no syndromes of the taps
    EXPECT_EQ(Verdict(*syndromes), "accepted");
    auto cyclic = MakeModel();
    cyclic->convN0 = 0;
    EXPECT_EQ(Verdict(*cyclic), "accepted");
}

TEST(ConvThresholdSettings, NamesTheLimitAndTheValue) {
    struct Case {
        std::unique_ptr<ModelState> m;
        std::string message;
    };
    std::vector<Case> cases;
    const auto add = [&](std::unique_ptr<ModelState> m, auto change, const char *message) {
        change(*m);
        cases.push_back({std::move(m), message});
    };
    const auto rate13 = [] { return SetModel(7, {31, 32}, false, 5); };
    add(
        rate13(), [](ModelState &m) { m.convN0 = 1; },
        "Свёрточный код: n0=1, а должно быть не меньше 2 (выберите хотя бы один многочлен).");
    add(
        rate13(), [](ModelState &m) { m.convN0 = 9; },
        "Свёрточный код: n0=9 больше 8 (допустимо не более 7 многочленов).");
    add(
        rate13(), [](ModelState &m) { m.convN0 = 4, m.convK0 = 2; },
        "Свёрточный код: скорость k0/n0=2/4 не поддерживается; допустимы 1/n0 и (n0-1)/n0.");
    add(
        rate13(), [](ModelState &m) { m.polyNumbers[1] = 171; },
        "Свёрточный код: номер многочлена 2 равен 171, а должен быть в пределах 1..170.");
    add(
        rate13(), [](ModelState &m) { m.polyNumbers[1] = 0; },
        "Свёрточный код: номер многочлена 2 равен 0, а должен быть в пределах 1..170.");
    add(
        rate13(), [](ModelState &m) { m.tapTable = nullptr; },
        "Свёрточный код: таблица многочленов не загружена.");
    add(
        rate13(), [](ModelState &m) { m.genPolyTermCount = 302; },
        "Свёрточный код: число членов g(x) 302 вне пределов 0..301.");
    add(
        HalfRateModel(1, "0,2,5,6", 6, 6), [](ModelState &m) { m.genPolyTerms[1] = -2; },
        "Свёрточный код: отрицательная степень -2 в наборе g(x).");
    // The register reaches k plus the largest of the first J-1 taps, and 2k.
    add(
        HalfRateModel(1, "0,2,1501,1600", 600, 6), [](ModelState &) {},
        "Свёрточный код: индекс регистра кодера 2101 больше 2100 (уменьшите k или степени "
        "многочленов).");
    add(
        HalfRateModel(1, "0,2,5,6", 1051, 6), [](ModelState &m) { m.codeN = 2100; },
        "Свёрточный код: индекс регистра кодера 2102 больше 2100 (уменьшите k или степени "
        "многочленов).");
    // The syndromes reach k plus the largest tap; at rate (n0-1)/n0 the register does not.
    add(
        HalfRateModel(1, "0,2,5,9995", 6, 6), [](ModelState &) {},
        "Свёрточный код: индекс синдрома 10001 больше 10000 (уменьшите k, n0 или степени "
        "многочленов).");
    add(
        SetModel(7, {31}, true, 6), [](ModelState &m) { m.genPolyTerms[3] = 9995; },
        "Свёрточный код: индекс синдрома 10001 больше 10000 (уменьшите k, n0 или степени "
        "многочленов).");
    // Rate 1/8, k = 300: the received parity bits fill 7*300 = 2100 cells, and the seventh
    // stream carries over from 7*300 + 6.
    const auto rate18 = [](int k) {
        auto m = SetModel(7, {31, 31, 31, 31, 31, 31, 31}, false, 5);
        m->codeK = k;
        m->codeN = 2100;
        return m;
    };
    add(
        rate18(300), [](ModelState &) {},
        "Свёрточный код: индекс регистра кодера 2106 больше 2100 (уменьшите k или степени "
        "многочленов).");
    add(
        rate18(301), [](ModelState &) {},
        "Свёрточный код: индекс символа слова 2107 больше 2100 (проверьте n, k, n0, k0).");
    for (const Case &c : cases)
        EXPECT_EQ(Verdict(*c.m), c.message);
}

TEST(ConvThresholdSettings, RefusedSettingsLeaveTheBuffersAlone) {
    auto m = SetModel(7, {31, 32}, false, 5);
    m->polyNumbers[0] = 200;
    for (int i = 1; i <= 50; ++i)
        m->rxWord[i] = static_cast<std::uint8_t>(i % 2);
    auto half = HalfRateModel(1, "0,2,5,6", 1051, 6);
    half->codeN = 2100;
    for (ModelState *model : {m.get(), half.get()}) {
        const auto before = std::make_unique<ModelState>(*model);
        Encode(*model);
        Decode(*model);
        EXPECT_EQ(model->codeWord, before->codeWord);
        EXPECT_EQ(model->convRegister, before->convRegister);
        EXPECT_EQ(model->rxWord, before->rxWord);
        EXPECT_EQ(model->channelSeq, before->channelSeq);
        EXPECT_EQ(model->decodedWord, before->decodedWord);
        EXPECT_EQ(model->decoderWork3, before->decoderWork3);
        EXPECT_EQ(model->parityColumns, before->parityColumns);
    }
}

} // namespace
} // namespace spi
