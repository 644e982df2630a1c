#include "research/sweep.h"

#include "coding/code_catalogue.h"
#include "coding/code_setup.h"
#include "forms/channel_forms.h"
#include "forms/channel_step.h"
#include "model/model_fields.h"
#include "research/code_choice.h"
#include "research/divided_run.h"

#include <charconv>
#include <memory>
#include <system_error>

namespace spi {

namespace {

// Passes every message on and remembers the last, which is the reason a point was refused.
class PointNotifier : public Notifier {
public:
    explicit PointNotifier(Notifier &to) : to_(to) {}
    void Message(MessageKind kind, std::string_view text) override {
        to_.Message(kind, text);
        last = std::string(text);
        if (kind == MessageKind::Error)
            ++errors;
    }
    std::string last;
    int errors = 0;

private:
    Notifier &to_;
};

// The value as a user would type it: the shortest text that reads back to the same number.
std::string ValueText(double v) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("nan");
}

// The continuous-channel dialog of the structure, filled from the model, the one field changed,
// then "Ввод": thresholds proposed when Hp, Hc or m changed, every other field read back as shown.
bool SetThroughContinuousDialog(ModelState &m, const std::string &field, double value,
                                std::string *why) {
    const std::string text = ValueText(value);
    {
        // The field's own rules first (a whole m, a finite Hp): the dialog would take anything.
        auto probe = std::make_unique<ModelState>(m);
        if (!SetModelField(*probe, field + "=" + text, why))
            return false;
    }
    int item = -1;
    if (field == "modMd") {
        item = value == 0.5 ? 0 : value == 1.0 ? 1 : value == 2.0 ? 2 : -1;
        if (item < 0) {
            *why =
                "modMd: the modulator group offers md = 0.5 (АМ), 1 (ЧМ) and 2 (ФМ), not " + text;
            return false;
        }
    } else if (field == "demodDm") {
        if (value != 0.0 && value != 1.0) {
            *why = "demodDm: the demodulator group offers dm = 1 (когерентный) and 0 "
                   "(некогерентный), not " +
                   text;
            return false;
        }
        item = 1 - static_cast<int>(value);
    }
    // Both variants of the dialog have these fields; the value goes into the one it belongs to.
    const auto type = [&](auto &f) {
        if (field == "contHp")
            f.hp = text;
        else if (field == "contHc")
            f.hc = text;
        else if (field == "contM")
            f.m = text;
        else if (field == "contQ")
            f.q = text;
        else if (field == "modMd")
            f.modulator = item;
        else
            f.demodulator = item;
    };
    if (m.channelType == 2) {
        auto f = FillContChannel2Dialog(m);
        type(f);
        AcceptContChannel2Dialog(m, f);
    } else {
        auto f = FillContChannel1Dialog(m);
        type(f);
        AcceptContChannel1Dialog(m, f);
    }
    return true;
}

} // namespace

std::vector<SweepPoint>
RunSweep(const ModelState &base, const SweepSpec &plan, Notifier &notifier,
         const std::function<bool(const SweepPoint &, int index)> &onPoint) {
    std::vector<SweepPoint> points;
    for (std::size_t index = 0; index < plan.values.size(); ++index) {
        SweepPoint p;
        p.value = plan.values[index];
        p.withCoder = plan.stat2;
        PointNotifier note(notifier);
        auto refuse = [&](const std::string &message) {
            p.completed = false;
            p.message = message.empty() ? std::string("the run was not completed") : message;
        };
        [&] {
            auto m = std::make_unique<ModelState>(base);
            std::string why;
            const bool set = IsContinuousChannelField(plan.field)
                                 ? SetThroughContinuousDialog(*m, plan.field, p.value, &why)
                                 : SetModelField(*m, plan.field + "=" + ValueText(p.value), &why);
            if (!set) {
                note.Error(why);
                return refuse(why);
            }
            // A channel that could not be calculated for this value would leave the previous one
            // in place: the point would show figures of another channel.
            const int errorsBefore = note.errors;
            const bool channel = AcceptChannelStep(*m, note);
            if (note.errors > errorsBefore)
                return refuse(note.last);
            if (!plan.stat2 && !channel) {
                note.Error(kStat1Unavailable);
                return refuse(note.last);
            }
            if (plan.stat2) {
                CoderSettings coder;
                if (!AcceptCoderSettings(coder, *m, note))
                    return refuse(note.last);
                if (IsNonBinaryCodeType(m->codeType))
                    SetUpNonBinaryCode(*m, *m, note);
            }
            const RunResult r =
                plan.run ? plan.run(*m, note)
                         : RunInParallel(*m, plan.stat2, plan.threads, plan.options, note);
            if (r.outcome != RunOutcome::Completed)
                return refuse(note.last);
            p.completed = true;
            p.words = r.words;
            p.pErrIn = m->pErrIn;
            p.pErrInConf = m->pErrInConf;
            if (plan.stat2) {
                p.pErrOut = m->pErrOut;
                p.pErrOutConf = m->pErrOutConf;
                p.wordErrProbAfter = m->wordErrProbAfter;
                p.rateWithCoder = m->rateWithCoder;
                if (m->theory.decodedBound)
                    p.theoryWordErrBound = 1 - *m->theory.decodedBound;
            }
            p.theoryPErrIn = m->theory.pErrIn;
            p.capacityNoCoder = m->channelType == 1 ? m->discParams[14] : m->capacityNoCoder2;
        }();
        points.push_back(p);
        if (onPoint && !onPoint(points.back(), static_cast<int>(index)))
            break;
    }
    return points;
}

} // namespace spi
