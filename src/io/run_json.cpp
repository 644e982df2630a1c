#include "io/run_json.h"

#include "io/json_text.h"

namespace spi {

namespace {

bool ShellSafe(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("-_./:=,+@%^").find(c) != std::string_view::npos;
}

// An argument as a shell reads it back: bare when it can be, else in single quotes. A line break
// or other control character would end the comment line it stands in: it shows as '?'.
std::string ShellWord(const std::string &arg) {
    bool bare = !arg.empty();
    std::string quoted = "'";
    for (const char c : arg) {
        bare = bare && ShellSafe(c);
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    }
    return bare ? arg : quoted + "'";
}

} // namespace

std::string ProvenanceLine(const Provenance &from) {
    std::string line = from.program.empty() ? from.version : from.program + " " + from.version;
    for (std::size_t i = 0; i < from.command.size(); ++i)
        line += (i == 0 ? ": " : " ") + ShellWord(from.command[i]);
    if (from.generator == Generator::Philox)
        line += " (generator philox)";
    return line;
}

namespace {

OrderedJson ValueOrNull(const std::optional<double> &v) {
    return v ? OrderedJson(*v) : OrderedJson(nullptr);
}

// The figures of theory and batch means: null where absent, and the reasons under theoryAbsent.
void AddTheory(OrderedJson &j, const RunTheory &t, bool stat2) {
    j["theoryMultBefore"] = t.multBefore.empty() ? OrderedJson(nullptr) : OrderedJson(t.multBefore);
    j["theoryPErrIn"] = ValueOrNull(t.pErrIn);
    if (stat2) {
        j["theoryDecodedBound"] = ValueOrNull(t.decodedBound);
        j["theoryDecodedBoundT"] = t.decodedBound ? OrderedJson(t.boundT) : OrderedJson(nullptr);
        j["theoryDecodedBoundSymbolBits"] =
            t.decodedBound ? OrderedJson(t.boundSymbolBits) : OrderedJson(nullptr);
    }
    j["fitMaxZ"] = ValueOrNull(t.fitMaxZ);
    j["pErrInConfBatch"] = ValueOrNull(t.pErrInConfBatch);
    if (stat2)
        j["pErrOutConfBatch"] = ValueOrNull(t.pErrOutConfBatch);
    j["batchCount"] = t.batches;
    OrderedJson why = OrderedJson::object();
    if (!t.theoryAbsent.empty())
        why["theoryMultBefore"] = t.theoryAbsent;
    if (stat2 && !t.boundAbsent.empty())
        why["theoryDecodedBound"] = t.boundAbsent;
    if (!t.fitAbsent.empty())
        why["fitMaxZ"] = t.fitAbsent;
    if (!t.batchAbsent.empty())
        why["pErrInConfBatch"] = t.batchAbsent;
    j["theoryAbsent"] = why;
}

} // namespace

void WriteJson(std::ostream &out, const RunRecord &r, const Provenance &from,
               bool generatorCycleExceeded) {
    OrderedJson j;
    j["test"] = r.stat2 ? "stat2" : "stat1";
    j["structure"] = r.structure == 1 ? "dk" : "ru";
    j["seed"] = r.seed;
    j["words"] = r.result.words;
    j["n"] = r.n;
    j["k"] = r.k;
    j["multBefore"] = r.multBefore;
    j["multAfter"] = r.multAfter;
    j["pErrIn"] = r.pErrIn;
    j["pErrInConf"] = r.pErrInConf;
    j["pErrOut"] = r.pErrOut;
    j["pErrOutConf"] = r.pErrOutConf;
    j["wordErrProbAfter"] = r.wordErrProbAfter;
    j["rateWithCoder"] = r.rateWithCoder;
    j["capacityNoCoder"] = r.capacityNoCoder;
    j["discParams"] = r.discParams;
    AddTheory(j, r.theory, r.stat2);
    j["generatorCycleExceeded"] = generatorCycleExceeded;
    j["elapsedSeconds"] = r.elapsedSeconds;
    AddProvenance(j, from);
    out << JsonText(j);
}

} // namespace spi
