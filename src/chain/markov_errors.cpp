#include "chain/markov_errors.h"

#include "channel/markov_generator.h"
#include "coding/code_catalogue.h"
#include "coding/inner_codes.h"

#include <cstdint>

namespace spi {

namespace {
constexpr const char *kCascadeWarning = "Ошибка каскадного набора g(x).";
} // namespace

bool GenerateMarkovErrors(ModelState &m, int length, bool withCoder, Notifier &notifier) {
    auto refuse = [&] {
        notifier.Warning(kCascadeWarning);
        m.wordCount = 0;
        return false;
    };
    m.genLength = length;
    if (withCoder && !CheckInnerSetOnce(m, m, m.tapTable))
        return refuse();
    // Every call of the run generates the inner code's longer stream.
    const std::int64_t bits = static_cast<std::int64_t>(length) *
                              (withCoder ? ChannelBitsPerInfoBit(m.codeType, m.cascadeSetSize) : 1);
    if (!DrawMarkovErrors(m, m, m.random, m.errorVector, bits))
        return refuse();
    if (withCoder)
        RunInnerCode(m, m, m.tapTable, m.codeWord, m.errorVector);
    return true;
}

} // namespace spi
