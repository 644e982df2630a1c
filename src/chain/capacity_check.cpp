#include "chain/capacity_check.h"

#include "chain/interleaver.h"
#include "channel/decision_generator.h"
#include "coding/code_catalogue.h"
#include "coding/code_setup.h"
#include "coding/conv_threshold.h"
#include "coding/inner_threshold.h"
#include "coding/inner_viterbi.h"
#include "coding/viterbi.h"

#include <algorithm>
#include <string>

namespace spi {

namespace {

constexpr int kMaxIterations = 1000;
// The syndrome decoder tries every set of up to Cm error positions among n for a word it cannot
// explain otherwise; C(255,4) = 1.7e8 is the largest search a code of the table needs.
constexpr double kMaxSyndromeSearch = 2e8;

// Sets of Cm - 1 positions among n, which the search walks through for each last position.
double SyndromeSearchSets(long long n, int cm) {
    if (cm < 2 || cm > 5)
        return 0;
    double sets = 1;
    for (int i = 0; i < cm - 1; ++i)
        sets = sets * static_cast<double>(n - i) / (i + 1);
    return sets;
}

std::string S(long long v) {
    return std::to_string(v);
}

std::optional<std::string> CheckChannel(const ModelState &m) {
    if (m.channelType == 1)
        return std::nullopt;
    if (m.channelType == 2)
        return CheckDecisionDeviceSettings(m);
    return std::string("Структура модели СПИ не выбрана: выберите \"ДК\" или \"РУ\".");
}

// The largest exponent of g(x), or -1 for an empty list.
int LargestExponent(const ModelState &m) {
    int top = -1;
    for (int i = 0; i < m.genPolyTermCount; ++i)
        top = std::max(top, m.genPolyTerms[static_cast<std::size_t>(i)]);
    return top;
}

} // namespace

std::optional<std::string> CheckStat1Limits(const ModelState &m) {
    if (auto c = CheckChannel(m))
        return c;
    const long long n = m.stat1WordLength;
    if (n < 1 || n > kMaxWord)
        return "Длина кодового слова n=" + S(n) + " вне допустимых пределов 1.." + S(kMaxWord) +
               ".";
    if (m.wordCount < 1)
        return "Количество слов NB=" + S(m.wordCount) + " должно быть не меньше 1.";
    return std::nullopt;
}

std::optional<std::string> CheckStat2Limits(const ModelState &m) {
    if (auto c = CheckChannel(m))
        return c;
    const CodeTypeFacts &facts = CodeTypeRow(m.codeType);
    const long long n = m.codeN, k = m.codeK, L = m.ilvL;
    if (m.wordCount < 1)
        return "Количество слов NB=" + S(m.wordCount) + " должно быть не меньше 1.";
    if (n < 1 || n > kMaxWord)
        return "Длина кодового блока n=" + S(n) + " вне допустимых пределов 1.." + S(kMaxWord) +
               ".";
    if (k < 1 || k > n)
        return "Число информационных символов k=" + S(k) +
               " должно быть в пределах 1..n (n=" + S(n) + ").";
    // Interleaver parameters that give no read-out order get the interleaver's own warning.
    if (L < 1 || m.ilvA < 1 || m.ilvC < 1 || n * L < 2 || n * L > kMaxBlock)
        return std::string(kInterleaverRefusal);
    if (m.wordCount < L)
        return "Количество слов NB=" + S(m.wordCount) +
               " меньше числа слов в блоке перемежителя L=" + S(L) +
               ": не моделируется ни одного блока.";
    if (k * L > kMaxBlockInfo)
        return "Блок перемежителя содержит k*L=" + S(k * L) +
               " информационных символов; допустимо не более " + S(kMaxBlockInfo) + ".";

    // The inner set's size is read only when the run starts: CheckInner16Settings checks that
    // stream with the size of the listed set.
    const long long h = ChannelBitsPerInfoBit(m.codeType, 1) * L;
    if (n * h > kMaxBlock)
        return "Поток ошибок внутреннего кода n*" + S(h / L) + "*L=" + S(n * h) +
               " символов превышает " + S(kMaxBlock) + ".";

    if (auto v = CheckNonBinaryCode(m, m))
        return v;
    if (auto v = CheckBchCode(m))
        return v;
    if (auto v = CheckViterbiSettings(m))
        return v;
    if (auto v = CheckConvThresholdSettings(m, m.tapTable))
        return v;
    if (auto v = CheckInner16Settings(m, m.tapTable))
        return v;
    // The iterative threshold decoders make up to Cm passes per word; a pass count in the
    // billions would stall the run without changing anything a user could want.
    if (facts.iterativeThreshold && m.codeT > kMaxIterations)
        return "Максимальное число итераций Cm=" + S(m.codeT) + " больше " + S(kMaxIterations) +
               ".";
    if (auto v = CheckInnerViterbiSettings(m))
        return v;

    if (facts.family == EncoderFamily::Cyclic) {
        if (m.genPolyTermCount < 0 || m.genPolyTermCount > kPolyTerms)
            return "Число членов g(x) " + S(m.genPolyTermCount) + " вне пределов 0.." +
                   S(kPolyTerms) + ".";
        const int top = LargestExponent(m);
        if (top > n - k)
            return "Степень g(x) " + S(top) + " больше n-k=" + S(n - k) + ".";
        if (facts.decoder == Decoder::Syndrome) {
            if (k * (n - k) > kMaxParity)
                return "Синдромный декодер: k*(n-k)=" + S(k * (n - k)) + " больше " +
                       S(kMaxParity) + ".";
            if (top != n - k)
                return "Синдромный декодер: степень g(x) " + S(top) + " не равна n-k=" + S(n - k) +
                       ".";
            if (const double sets = SyndromeSearchSets(n, m.codeT); sets > kMaxSyndromeSearch)
                return "Синдромный декодер: при n=" + S(n) + " и Cm=" + S(m.codeT) + " перебор " +
                       S(static_cast<long long>(sets)) + " сочетаний ошибок на слово больше " +
                       S(static_cast<long long>(kMaxSyndromeSearch)) + "; уменьшите Cm.";
        }
    }
    return std::nullopt;
}

} // namespace spi
