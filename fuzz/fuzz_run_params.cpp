// Any value in every parameter field of the model (NaN, infinities, negative and huge lengths,
// empty and long g(x), any code type and numbers), then what a user can do with such a model:
// "Стат 1" and "Стат2" started directly, every dialog filled and accepted unchanged, the report
// written, and the batch front end's whole session. Each ends in a run whose statistics are
// normalised or in a refusal with a message.
#include "fuzz_common.h"

#include "cli/batch_session.h"
#include "coding/code_setup.h"
#include "coding/gen_poly_parser.h"
#include "forms/channel_forms.h"
#include "io/run_report.h"

#include <algorithm>
#include <sstream>

using namespace spi;
using namespace spi::fuzz;

namespace {

void FillEveryParameter(FuzzedDataProvider &p, ModelState &m) {
    for (double *x :
         {&m.probOne, &m.modMd, &m.contQ, &m.contHp, &m.contHc, &m.ruThreshold1, &m.ruThreshold2})
        if (p.ConsumeBool())
            *x = AnyReal(p);
    if (p.ConsumeBool())
        m.contM = AnyWhole<std::int32_t>(p, -1, 60);
    if (p.ConsumeBool())
        m.demodDm = AnyWhole<std::int32_t>(p, -1, 2);
    for (double &x : m.discParams)
        if (p.ConsumeBool())
            x = AnyReal(p);
    for (double &x : m.breakParams)
        if (p.ConsumeBool())
            x = AnyReal(p);
    m.stat1WordLength = AnyWhole<std::int32_t>(p, -2, 2101);
    if (p.ConsumeBool())
        m.genPolyText = AnyText(p, 210);
    if (p.ConsumeBool())
        m.innerPolyList = AnyText(p, 40);
    m.codeType = AnyWhole<std::uint16_t>(p, 0, 19);
    if (p.ConsumeBool())
        m.codeN = AnyWhole<std::int32_t>(p, -2, 2101);
    if (p.ConsumeBool())
        m.codeK = AnyWhole<std::int32_t>(p, -2, 2101);
    if (p.ConsumeBool())
        m.convN0 = AnyWhole<std::int32_t>(p, -2, 10);
    if (p.ConsumeBool())
        m.convK0 = AnyWhole<std::int32_t>(p, -2, 10);
    if (p.ConsumeBool())
        m.codeT = AnyWhole<std::int32_t>(p, -2, 1001);
    for (auto &x : m.polyNumbers)
        if (p.ConsumeBool())
            x = p.ConsumeIntegral<std::uint8_t>();
    if (p.ConsumeBool())
        m.ilvA = AnyWhole<std::int32_t>(p, -1, 12);
    if (p.ConsumeBool())
        m.ilvC = AnyWhole<std::int32_t>(p, -1, 60);
    if (p.ConsumeBool())
        m.ilvL = AnyWhole<std::int32_t>(p, -1, 12);
    if (p.ConsumeBool())
        m.ruCriterion = AnyWhole<std::int16_t>(p, -1, 2);
    static constexpr std::uint8_t kChannelTypes[] = {1, 2, 1, 2, 0, 3, 255};
    m.channelType = p.PickValueInArray(kChannelTypes);
    m.channelEntered = p.ConsumeIntegralInRange<std::uint8_t>(0, 2);

    // The work cells that a run takes from earlier steps: the parsed g(x) (then perhaps a term
    // count from a data file) and the non-binary code set-up.
    RecordingNotifier quiet;
    if (p.ConsumeBool())
        parseGenPoly(m, quiet);
    if (p.ConsumeIntegralInRange<int>(0, 3) == 0)
        m.genPolyTermCount = AnyWhole<std::int32_t>(p, -2, 302);
    if (p.ConsumeBool() && IsNonBinaryCodeType(m.codeType))
        SetUpNonBinaryCode(m, m, quiet);

    // A few words or blocks; zero and negative counts stay, so that their refusals are reached.
    const int L = std::clamp(m.ilvL, 1, 5000);
    const int kWords[] = {-5, 0, 1, 2, 3, 7, L, L + 1, 2 * L};
    m.wordCount = p.PickValueInArray(kWords);
    m.fixedSeed = p.ConsumeIntegral<std::uint32_t>();
}

class Progress : public RunProgress {
public:
    void Started() override { ++started; }
    void Advance(int) override { ++steps; }
    void Counter(long long) override {}
    void Finished() override { ++finished; }
    int started = 0, finished = 0, steps = 0;
};

// How many words in error end a "Стат2" early (0: none), and the threads of the batch session.
struct Research {
    long long maxWordErrors = 0;
    int threads = 1;
};

// "Стат 1" and "Стат2" as the stage window starts them, each on its own copy.
void RunDirectly(const ModelState &original, const Research &research) {
    for (const bool stat2 : {false, true}) {
        auto m = std::make_unique<ModelState>(original);
        if (stat2 && Stat2ToSkip(*m))
            continue;
        RecordingNotifier n;
        Progress progress;
        RunOptions options;
        options.maxWordErrors = stat2 ? research.maxWordErrors : 0;
        const auto r = stat2 ? RunStat2(*m, n, &progress, options) : RunStat1(*m, n, &progress);
        // The bar moves every NB div 100 words (at least every word): at most 199 times, between
        // a start and an end.
        SPI_FUZZ_CHECK(progress.steps <= 199);
        SPI_FUZZ_CHECK(progress.started == progress.finished);
        CheckRunAnswer(*m, r, n, 0, stat2 ? m->codeN : m->stat1WordLength, stat2 ? m->codeK : -1);
        if (r.outcome != RunOutcome::Completed)
            continue;
        // The results of a completed run, whatever they hold, can be printed.
        std::string failure;
        for (const bool box : {true, false}) {
            const auto report = WriteTestReport(*m, box, &failure);
            SPI_FUZZ_CHECK(report.has_value() != !failure.empty());
        }
    }
}

// Every channel dialog opened on these values and closed with "Ввод" without typing; returns the
// model they leave, or nothing when the channel would be calculated with thresholds of finding F7.
std::unique_ptr<ModelState> AcceptEveryDialogUnchanged(const ModelState &original) {
    auto m = std::make_unique<ModelState>(original);
    RecordingNotifier n;
    AcceptSignalDialog(*m, FillSignalDialog(*m));
    auto cont1 = FillContChannel1Dialog(*m);
    AcceptContChannel1Dialog(*m, cont1);
    AcceptContChannel2Dialog(*m, FillContChannel2Dialog(*m));
    // The stage window shows one of the two, by the structure.
    m->channelEntered = original.channelEntered;
    if (m->channelEntered == 0 && SlowChannelCalculation(m->ruThreshold1, m->ruThreshold2))
        return nullptr;
    if (original.channelType == 2) {
        if (auto dd = OpenDecisionDeviceDialog(*m, n))
            AcceptDecisionDeviceDialog(*m, *dd);
    } else {
        if (auto disc = OpenDiscChannelDialog(*m, n))
            AcceptDiscChannelDialog(*m, *disc, n);
        FinishDiscChannelDialog(*m, n);
    }
    return m;
}

// spi-sim on this model: channel step, coder step, run, report and JSON to its standard output.
void RunAsBatch(const ModelState &original, bool stat2, bool ru, const Research &research) {
    auto m = std::make_unique<ModelState>(original);
    cli::Options o;
    o.structure = ru ? 2 : 1;
    o.stat2 = stat2;
    o.maxWordErrors = stat2 ? research.maxWordErrors : 0;
    o.threads = research.threads;
    o.words = original.wordCount;
    o.reportFile = "-";
    o.jsonFile = "-";
    RecordingNotifier n;
    std::ostringstream out, err;
    // The coder step takes the model's own type and numbers back, so the run searches as the
    // model stands.
    if (stat2 && Stat2ToSkip(original))
        return;
    const int code = cli::RunBatch(o, *m, n, out, err, nullptr);
    SPI_FUZZ_CHECK(code == cli::kExitOk || code == cli::kExitRefused);
    if (code == cli::kExitRefused)
        SPI_FUZZ_CHECK(!n.entries.empty() || !err.str().empty());
    if (code == cli::kExitOk)
        SPI_FUZZ_CHECK(out.str().find("\"multBefore\"") != std::string::npos);
}

// SPI_FUZZ_DUMP=1 prints the filled model, for reading a finding.
void Dump(const ModelState &m) {
    std::fprintf(stderr,
                 "probOne=%.17g modMd=%.17g contQ=%.17g contHp=%.17g contHc=%.17g "
                 "ruThreshold1=%.17g ruThreshold2=%.17g contM=%d demodDm=%d\n",
                 m.probOne, m.modMd, m.contQ, m.contHp, m.contHc, m.ruThreshold1, m.ruThreshold2,
                 m.contM, m.demodDm);
    for (std::size_t i = 0; i < m.discParams.size(); ++i)
        std::fprintf(stderr, "discParams[%zu]=%.17g ", i, m.discParams[i]);
    for (std::size_t i = 0; i < m.breakParams.size(); ++i)
        std::fprintf(stderr, "breakParams[%zu]=%.17g ", i, m.breakParams[i]);
    std::fprintf(stderr,
                 "\nstat1WordLength=%d wordCount=%d genPolyText='%s' (%zu bytes) "
                 "innerPolyList='%s' codeType=%d codeN=%d codeK=%d convN0=%d convK0=%d "
                 "genPolyTermCount=%d codeT=%d ilvA=%d ilvC=%d ilvL=%d ruCriterion=%d "
                 "channelType=%d channelEntered=%d seed=%u\npolyNumbers=",
                 m.stat1WordLength, m.wordCount, m.genPolyText.c_str(), m.genPolyText.size(),
                 m.innerPolyList.c_str(), m.codeType, m.codeN, m.codeK, m.convN0, m.convK0,
                 m.genPolyTermCount, m.codeT, m.ilvA, m.ilvC, m.ilvL, m.ruCriterion, m.channelType,
                 m.channelEntered, m.fixedSeed.value_or(0));
    for (auto x : m.polyNumbers)
        std::fprintf(stderr, "%d ", x);
    std::fprintf(stderr, "\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzedDataProvider p(data, size);
    auto m = MakeModel();
    FillEveryParameter(p, *m);
    static const bool dump = std::getenv("SPI_FUZZ_DUMP") != nullptr;
    if (dump)
        Dump(*m);
    const bool stat2 = p.ConsumeBool();
    const bool ru = p.ConsumeBool();
    Research research;
    research.maxWordErrors = p.ConsumeIntegralInRange<long long>(0, 3);
    research.threads = p.ConsumeIntegralInRange<int>(1, 2);
    RunDirectly(*m, research);
    const auto accepted = AcceptEveryDialogUnchanged(*m);
    if (!accepted)
        return 0;
    // A channel still to be calculated is calculated once: the batch session goes on from the
    // dialogs (the calculation of a fading channel can take a second under the sanitizers).
    const ModelState &forBatch = m->channelEntered == 0 ? *accepted : *m;
    if (forBatch.channelEntered == 0 &&
        SlowChannelCalculation(forBatch.ruThreshold1, forBatch.ruThreshold2))
        return 0;
    RunAsBatch(forBatch, stat2, ru, research);
    return 0;
}
