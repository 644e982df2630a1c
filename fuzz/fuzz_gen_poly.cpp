// The g(x) parser on any text for any code type: the term list stays inside its 301 entries, a
// refused text leaves no terms and says so, an accepted one lists exactly the text's exponents;
// then the code the terms describe runs a few words or is refused with a message.
#include "fuzz_common.h"

#include "coding/gen_poly_parser.h"

#include <algorithm>
#include <string_view>

using namespace spi;
using namespace spi::fuzz;

namespace {

bool IsOctalText(std::string_view t) {
    return !t.empty() &&
           std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '7'; }) &&
           ((t.back() - '0') & 1) == 1;
}

// The exponents an octal text stands for, lowest first; more than 301 do not fit the list.
std::vector<std::int32_t> OctalExponents(std::string_view t) {
    std::vector<std::int32_t> e;
    std::int32_t d = 0;
    for (auto it = t.rbegin(); it != t.rend(); ++it, ++d)
        for (int b = 0; b < 3; ++b)
            if (((*it - '0') >> b) & 1)
                e.push_back(3 * d + b);
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider p(data, size);
    static constexpr std::uint16_t kTypes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,   10,
                                               11, 12, 13, 14, 15, 16, 17, 18, 19, 255, 65535};
    auto m = MakeModel();
    m->codeType = p.PickValueInArray(kTypes);
    const int k = p.ConsumeIntegralInRange<int>(1, 64);
    m->convN0 = p.ConsumeIntegralInRange<int>(0, 9);
    m->convK0 = p.ConsumeIntegralInRange<int>(0, 9);
    m->codeT = p.ConsumeIntegralInRange<int>(-1, 12);
    m->genPolyText = p.ConsumeRemainingBytesAsString();
    const std::string_view text = m->genPolyText;

    RecordingNotifier n;
    parseGenPoly(*m, n);
    const std::int32_t count = m->genPolyTermCount;
    SPI_FUZZ_CHECK(count >= 0 && count <= kPolyTerms);
    const bool refused = n.Has("Ошибка ввода g(x).");
    // The Viterbi codes of types 8, 9 and 10 have fixed generators and take no g(x) at all.
    const bool noGenPoly = m->codeType == 8 || m->codeType == 9 || m->codeType == 10;
    if (refused || text.empty() || noGenPoly) {
        SPI_FUZZ_CHECK(count == 0);
        if (refused)
            SPI_FUZZ_CHECK(std::all_of(m->genPolyTerms.begin(), m->genPolyTerms.end(),
                                       [](std::int32_t t) { return t == 0; }));
    }
    if (text.empty())
        SPI_FUZZ_CHECK(n.entries.size() == 1 && refused);
    for (std::int32_t i = 0; i < count; ++i)
        SPI_FUZZ_CHECK(m->genPolyTerms[static_cast<std::size_t>(i)] >= 0);

    if (noGenPoly || refused || text.empty()) {
        // Nothing to compare with the text.
    } else if (text.find(',') == std::string_view::npos) {
        // An octal text is accepted only as octal with an odd last digit, and gives its exponents.
        SPI_FUZZ_CHECK(IsOctalText(text));
        const auto e = OctalExponents(text);
        SPI_FUZZ_CHECK(e.size() == static_cast<std::size_t>(count));
        SPI_FUZZ_CHECK(std::equal(e.begin(), e.end(), m->genPolyTerms.begin()));
    } else {
        // Every comma closes one term; a last piece after the last comma adds one.
        const auto commas = static_cast<std::int32_t>(std::count(text.begin(), text.end(), ','));
        SPI_FUZZ_CHECK(count == commas + (text.back() == ',' ? 0 : 1));
    }

    // The code of these terms: n - k is the highest exponent, as the coder window would enter it.
    std::int32_t top = 0;
    for (std::int32_t i = 0; i < count; ++i)
        top = std::max(top, m->genPolyTerms[static_cast<std::size_t>(i)]);
    m->codeK = k;
    m->codeN = top <= kMaxWord ? top + k : kMaxWord + 1;
    UseDefaultChannel(*m);
    m->fixedSeed = 7;
    m->wordCount = 2;
    if (Stat2ToSkip(*m))
        return 0;
    const std::size_t before = n.entries.size();
    const auto r = RunStat2(*m, n);
    CheckRunAnswer(*m, r, n, before, m->codeN, m->codeK);
    return 0;
}
