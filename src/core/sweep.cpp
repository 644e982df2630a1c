#include "core/sweep.h"

namespace spi {
bool SetModelField(ModelState &, const std::string &, std::string *) { return false; }
std::vector<std::string> SettableFieldNames() { return {}; }
std::vector<std::string> SweepableFieldNames() { return {}; }
RunResult RunInParallel(ModelState &m, bool stat2, int, const RunOptions &options, Notifier &notifier,
                        RunProgress *progress) {
    return stat2 ? RunStat2(m, notifier, progress, options) : RunStat1(m, notifier, progress, options);
}
std::vector<SweepPoint> RunSweep(const ModelState &, const SweepSpec &, Notifier &,
                                 const std::function<bool(const SweepPoint &, int)> &) {
    return {};
}
} // namespace spi
