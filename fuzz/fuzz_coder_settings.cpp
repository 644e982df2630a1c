// The coder-settings model under a random sequence of the user's clicks and typing, the batch
// front end's choices and data files opened in between. Controls that refuse change nothing in
// the model; whatever "Ввод" takes over either runs a few words of "Стат2" or is refused with a
// message.
#include "fuzz_common.h"

#include "coding/code_setup.h"
#include "research/code_choice.h"

#include <algorithm>

using namespace spi;
using namespace spi::fuzz;

namespace {

std::size_t Utf8Length(const std::string &s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void CheckWindow(const CoderSettings &cs, const ModelState &m) {
    if (cs.CheckedType())
        SPI_FUZZ_CHECK(HasRadioButton(*cs.CheckedType()));
    SPI_FUZZ_CHECK(cs.Selected().size() <= static_cast<std::size_t>(kMaxSelectedPolynomials));
    SPI_FUZZ_CHECK(cs.PolynomialList().size() == static_cast<std::size_t>(kTapRows));
    SPI_FUZZ_CHECK(Utf8Length(cs.CodeN().text) <= 12 && Utf8Length(cs.CodeK().text) <= 12);
    SPI_FUZZ_CHECK(Utf8Length(cs.InnerList().text) <= kInnerListMaxLength);
    SPI_FUZZ_CHECK(m.convPolyIndex < kMaxSelectedPolynomials);
}

// "Ввод" has taken the settings over: the chain runs with them as the stage window would start it.
void RunTakenOver(ModelState &m) {
    RecordingNotifier n;
    if (IsNonBinaryCodeType(m.codeType))
        SetUpNonBinaryCode(m, m, n);
    UseDefaultChannel(m);
    m.fixedSeed = 3;
    m.wordCount = std::clamp(m.ilvL, 1, 2);
    if (Stat2ToSkip(m))
        return;
    const std::size_t before = n.entries.size();
    const auto r = RunStat2(m, n);
    CheckRunAnswer(m, r, n, before, m.codeN, m.codeK);
}

// A data file opened while the window keeps its state: new numbers, every type button cleared.
void OpenSomeFile(FuzzedDataProvider &p, CoderSettings &cs, ModelState &m) {
    m.codeType = AnyWhole<std::uint16_t>(p, 0, 19);
    m.codeN = AnyWhole<std::int32_t>(p, -2, 300);
    m.codeK = AnyWhole<std::int32_t>(p, -2, 300);
    m.codeT = AnyWhole<std::int32_t>(p, -2, 20);
    m.convN0 = AnyWhole<std::int32_t>(p, -2, 10);
    m.convK0 = AnyWhole<std::int32_t>(p, -2, 10);
    m.genPolyTermCount = AnyWhole<std::int32_t>(p, -2, 310);
    for (auto &x : m.polyNumbers)
        x = p.ConsumeIntegral<std::uint8_t>();
    m.genPolyText = AnyText(p, 199);
    m.innerPolyList = AnyText(p, 30).substr(0, 30);
    cs.ClearTypeSelection();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider p(data, size);
    auto m = MakeModel();
    RecordingNotifier n;
    CoderSettings cs;
    for (int step = 0; step < 48 && p.remaining_bytes() > 0; ++step) {
        const auto before = Image(*m);
        std::string why;
        switch (p.ConsumeIntegralInRange<int>(0, 25)) {
        case 0:
            cs.Open(*m, n);
            break;
        case 1:
            if (cs.Close(*m, n, p.ConsumeBool()) == CoderCloseOutcome::Accepted)
                RunTakenOver(*m);
            break;
        case 2:
        case 3: {
            const int type = p.ConsumeIntegralInRange<int>(-1, 20);
            if (!cs.CheckType(type, *m, n))
                SPI_FUZZ_CHECK(SameImage(*m, before));
            break;
        }
        case 4:
            cs.OtherCodesOnCyclicPanel();
            break;
        case 5:
            cs.OtherCodesOnConvolutionalPanel();
            break;
        case 6:
        case 7: {
            const int row = p.ConsumeIntegralInRange<int>(-1, 172);
            const std::size_t chosen = cs.Selected().size();
            if (!cs.ChoosePolynomial(row, *m, n)) {
                SPI_FUZZ_CHECK(SameImage(*m, before));
                SPI_FUZZ_CHECK(cs.Selected().size() == chosen);
            }
            break;
        }
        case 8:
            cs.ResetSelection(*m);
            break;
        case 9:
            cs.CloseSelection();
            break;
        case 10:
            cs.NumberUp(*m, n);
            break;
        case 11:
            cs.NumberDown(*m, n);
            break;
        case 12:
            cs.TypeNumber(AnyText(p, 8), *m, n);
            break;
        case 13:
            if (!(p.ConsumeBool() ? cs.RateUp(*m) : cs.RateDown(*m)))
                SPI_FUZZ_CHECK(SameImage(*m, before));
            break;
        case 14:
            cs.TypeGenPoly(AnyText(p));
            break;
        case 15:
            cs.TypeCodeN(AnyText(p, 12));
            break;
        case 16:
            cs.TypeCodeK(AnyText(p, 12));
            break;
        case 17:
            cs.TypeCm(AnyText(p, 12));
            break;
        case 18:
            cs.TypeInnerList(AnyText(p, 40));
            break;
        case 19:
            cs.ClearTypeSelection();
            break;
        case 20: {
            const int type = p.ConsumeIntegralInRange<int>(-1, 20);
            std::optional<int> number;
            if (p.ConsumeBool())
                number = AnyWhole<int>(p, -1, 1000);
            if (!ApplyCodeChoice(cs, *m, n, type, number, &why)) {
                SPI_FUZZ_CHECK(!why.empty());
                SPI_FUZZ_CHECK(SameImage(*m, before));
            }
            break;
        }
        case 21: {
            std::vector<int> rows(p.ConsumeIntegralInRange<std::size_t>(0, 9));
            for (auto &r : rows)
                r = p.ConsumeIntegralInRange<int>(-1, 172);
            if (!ApplyTaps(cs, *m, n, rows, &why)) {
                SPI_FUZZ_CHECK(!why.empty());
                SPI_FUZZ_CHECK(SameImage(*m, before));
            }
            break;
        }
        case 22:
            if (!ApplyRate(cs, *m, n, p.ConsumeBool(), &why)) {
                SPI_FUZZ_CHECK(!why.empty());
                SPI_FUZZ_CHECK(SameImage(*m, before));
            }
            break;
        case 23:
            ApplyInnerPolyList(cs, *m, AnyText(p, 30).substr(0, 30));
            break;
        case 24:
            if (AcceptCoderSettings(cs, *m, n))
                RunTakenOver(*m);
            break;
        default:
            OpenSomeFile(p, cs, *m);
            break;
        }
        CheckWindow(cs, *m);
        if (n.entries.size() > 4096)
            n.entries.clear();
    }
    return 0;
}
