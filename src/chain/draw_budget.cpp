#include "chain/draw_budget.h"

#include "chain/capacity_check.h"
#include "chain/interleaver.h"
#include "coding/code_catalogue.h"
#include "coding/inner_codes.h"
#include "model/notifier.h"

#include <algorithm>
#include <memory>

namespace spi {

namespace {

// The draws of the decision device (channel/decision_generator.cpp): its tables at the first
// block of a run, twelve draws per noise sample, two samples per entry for the envelopes of
// non-coherent "АМ" and "ЧМ"; then two table indices per bit, and the transmitted symbol as a
// third draw for non-coherent "АМ". With Hc != 0 it draws nothing.
void DecisionDeviceDraws(const ModelState &m, int bits, DrawBudget &b) {
    if (m.contHc != 0)
        return;
    const bool coherent = m.demodDm == 1;
    const bool envelopes = !coherent && m.modMd != 2.0;
    b.perRun += static_cast<std::uint64_t>(kNoiseTable) * (envelopes ? 24 : 12);
    const bool drawsSymbol = !coherent && m.modMd == 0.5;
    b.perUnit += static_cast<std::uint64_t>(bits) * (drawsSymbol ? 3 : 2);
}

// The Markov generator (channel/markov_chain.h): the chain's first state once per run, then an
// error draw and a transition draw per bit of the stream.
void MarkovDraws(std::uint64_t bits, DrawBudget &b) {
    b.perRun += 1;
    b.perUnit += 2 * bits;
}

// Whether the interleaver builds its read-out order, on a copy: the run itself would warn.
bool InterleaverAccepts(const ModelState &m) {
    auto copy = std::make_unique<ModelState>(m);
    SilentNotifier silent;
    return BuildPermutation(*copy, silent);
}

DrawBudget Stat1Budget(const ModelState &m) {
    DrawBudget b;
    if (CheckStat1Limits(m))
        return b;
    const int n = m.stat1WordLength;
    if (m.channelType == 1)
        MarkovDraws(static_cast<std::uint64_t>(n), b);
    else if (m.channelType == 2)
        DecisionDeviceDraws(m, n, b);
    return b;
}

DrawBudget Stat2Budget(const ModelState &m) {
    DrawBudget b;
    if (CheckStat2Limits(m) || !InterleaverAccepts(m))
        return b;
    const int L = m.ilvL;
    const auto bits = static_cast<std::uint64_t>(m.codeN) * static_cast<std::uint64_t>(L);
    const auto source = static_cast<std::uint64_t>(m.codeK) * static_cast<std::uint64_t>(L);
    b.wordsPerUnit = L;
    b.perUnit = source; // the source draws every information bit
    if (m.channelType == 2) {
        DecisionDeviceDraws(m, static_cast<int>(bits), b);
    } else if (m.channelType == 1) {
        // The inner set is read at the first generator call; a set the run refuses ends it there,
        // after the first block's source words.
        InnerCodeState inner = m;
        inner.cascadeInitMark = 0;
        if (!CheckInnerSetOnce(m, inner, m.tapTable)) {
            b.perRun = source;
            b.perUnit = 0;
            return b;
        }
        const auto h =
            static_cast<std::uint64_t>(ChannelBitsPerInfoBit(m.codeType, inner.cascadeSetSize));
        MarkovDraws(bits * h, b);
    }
    return b;
}

} // namespace

std::uint64_t DrawBudget::Total(long long words, int parts) const {
    const long long units = std::max(0LL, words / std::max(wordsPerUnit, 1));
    const long long running = std::min<long long>(std::max(parts, 1), units);
    return static_cast<std::uint64_t>(units) * perUnit +
           static_cast<std::uint64_t>(running) * perRun;
}

DrawBudget ChainDrawBudget(const ModelState &m, bool stat2, bool stopRule) {
    DrawBudget b = stat2 ? Stat2Budget(m) : Stat1Budget(m);
    b.exact = !(stat2 && stopRule);
    return b;
}

RunDraws PlannedRunDraws(const ModelState &m, bool stat2, int parts, long long maxWordErrors) {
    const DrawBudget b = ChainDrawBudget(m, stat2, maxWordErrors > 0);
    return {b.Total(m.wordCount, parts), b.exact};
}

std::string GeneratorCycleWarning(const RunDraws &d) {
    return std::string("Испытанию потребуется ") + (d.exact ? "" : "до ") +
           std::to_string(d.draws) +
           " случайных чисел, а датчик повторяет свою последовательность через 2^32 = " +
           std::to_string(kGeneratorCycle) +
           " чисел: числа пойдут по второму кругу, и полуширины доверительных интервалов "
           "окажутся меньше действительных.";
}

} // namespace spi
