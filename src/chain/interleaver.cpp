#include "chain/interleaver.h"

#include <vector>

namespace spi {

bool BuildPermutation(ModelState &m, Notifier &notifier) {
    const long long N = static_cast<long long>(m.codeN) * m.ilvL;
    const long long A = m.ilvA;
    const long long C = m.ilvC;
    auto refuse = [&] {
        notifier.Warning(kInterleaverRefusal);
        m.wordCount = 0;
        return false;
    };
    // The reduction divides by N-1 and the buffers hold 5000 positions; a multiplier or step that
    // is not positive gives no read-out order.
    if (N < 2 || N > kMaxBlock || A <= 0 || C <= 0)
        return refuse();

    // Positions already used, so that the duplicate test costs one look-up per position.
    std::vector<char> used(static_cast<std::size_t>(N), 0);
    long long prev = 0;
    for (long long i = 0; i < N; ++i) {
        long long v = A * prev + C;
        if (v >= N - 1)
            v %= N - 1; // the repeated subtraction of N-1, done at once
        m.interleaverPerm[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(v);
        prev = v;
        if (i >= 2 && i < N - 1 && used[static_cast<std::size_t>(v)])
            return refuse();
        used[static_cast<std::size_t>(v)] = 1;
    }
    m.interleaverPerm[static_cast<std::size_t>(N - 1)] = static_cast<std::int32_t>(N - 1);
    return true;
}

std::vector<ReadOutRun> ReadOutRuns(const std::int32_t *perm, int count) {
    std::vector<ReadOutRun> runs;
    for (int p = 0; p < count; ++p) {
        if (p > 0 && perm[p] == perm[p - 1] + 1)
            ++runs.back().length;
        else
            runs.push_back({p, perm[p], 1});
    }
    // Stretches of eight or more on average; otherwise position by position.
    if (static_cast<long long>(runs.size()) * 8 > count)
        runs.clear();
    return runs;
}

} // namespace spi
