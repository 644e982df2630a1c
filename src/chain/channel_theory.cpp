#include "chain/channel_theory.h"

#include "channel/discrete_channel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <unordered_map>

namespace spi {

namespace {

using LD = ExtendedReal;

// The work of one call, in cells of the recursion (a count with its three states, some 50 ns
// each): about a sixth of a second.
constexpr double kMaxCells = 3e6;
constexpr int kMaxOpenSymbols = 12;
constexpr int kMaxGap = 1 << 20;

// The generator compares a draw in [0, 1) with p: below 0 (or NaN) never fires, 1 or more always.
LD Clamp01(LD p) {
    if (!(p >= 0))
        return 0;
    return p >= 1 ? 1 : p;
}

struct Channel {
    ChannelTransitions P;
    std::array<LD, 3> e;
    std::array<LD, 3> pi;
};

std::optional<Channel> MakeChannel(const std::array<double, 15> &d) {
    Channel ch{TheoryTransitions(d), TheoryErrorProbs(d), {}};
    const auto pi = TheoryStationary(ch.P);
    if (!pi)
        return std::nullopt;
    ch.pi = *pi;
    return ch;
}

ChannelTransitions Multiply(const ChannelTransitions &a, const ChannelTransitions &b) {
    ChannelTransitions c{};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < 3; ++j)
                c[i][j] += a[i][k] * b[k][j];
    return c;
}

// P^g for g = 0 .. maxGap.
std::vector<ChannelTransitions> Powers(const ChannelTransitions &P, int maxGap) {
    std::vector<ChannelTransitions> powers(static_cast<std::size_t>(maxGap) + 1);
    powers[0] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    for (std::size_t g = 1; g < powers.size(); ++g)
        powers[g] = Multiply(powers[g - 1], P);
    return powers;
}

// A marked position: its distance from the one before, the slot of its symbol among the symbols
// open at the time (-1 for a symbol of this one position), and whether it ends its symbol.
struct Step {
    int gap;
    int slot;
    bool last;
};

struct Plan {
    std::vector<Step> steps;
    int slots = 0;
    int maxGap = 0;
};

// The steps of the recursion, the slots given to the symbols while they are open, lowest free
// first. Nothing for positions that do not increase or symbols not one per position.
std::optional<Plan> MakePlan(std::span<const int> positions, std::span<const int> symbolOf) {
    if (positions.size() != symbolOf.size())
        return std::nullopt;
    std::unordered_map<int, std::size_t> lastAt;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] < 0 || (i > 0 && positions[i] <= positions[i - 1]))
            return std::nullopt;
        lastAt[symbolOf[i]] = i;
    }
    Plan plan;
    std::unordered_map<int, int> slotOf;
    std::vector<bool> used;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const int gap = i == 0 ? 0 : positions[i] - positions[i - 1];
        plan.maxGap = std::max(plan.maxGap, gap);
        const bool last = lastAt[symbolOf[i]] == i;
        const auto open = slotOf.find(symbolOf[i]);
        int slot = -1;
        if (open != slotOf.end()) {
            slot = open->second;
        } else if (!last) {
            slot = static_cast<int>(std::find(used.begin(), used.end(), false) - used.begin());
            if (slot == static_cast<int>(used.size()))
                used.push_back(false);
            used[static_cast<std::size_t>(slot)] = true;
            slotOf[symbolOf[i]] = slot;
        }
        if (last && slot >= 0) {
            used[static_cast<std::size_t>(slot)] = false;
            slotOf.erase(symbolOf[i]);
        }
        plan.steps.push_back({gap, slot, last});
    }
    plan.slots = static_cast<int>(used.size());
    return plan;
}

// The probability vector of the recursion: per mask of open symbols already in error, per count
// of symbols in error (t+1 standing for more than t), per state of the chain.
struct Recursion {
    const Channel &ch;
    int counts; // t + 2
    std::vector<LD> cur, next;

    std::size_t At(std::size_t mask, int c, int s) const {
        return (mask * static_cast<std::size_t>(counts) + static_cast<std::size_t>(c)) * 3 +
               static_cast<std::size_t>(s);
    }

    // The chain moved on by Q between two marked positions.
    void Move(const ChannelTransitions &Q) {
        for (std::size_t i = 0; i < cur.size(); i += 3) {
            const LD a = cur[i], b = cur[i + 1], c = cur[i + 2];
            for (int s = 0; s < 3; ++s)
                cur[i + static_cast<std::size_t>(s)] = a * Q[0][s] + b * Q[1][s] + c * Q[2][s];
        }
    }

    // The error draw at a marked position of the symbol in `slot`.
    void Draw(const Step &step) {
        std::fill(next.begin(), next.end(), LD{0});
        const std::size_t bit = step.slot >= 0 ? std::size_t{1} << step.slot : 0;
        const std::size_t masks = cur.size() / (static_cast<std::size_t>(counts) * 3);
        for (std::size_t mask = 0; mask < masks; ++mask) {
            const bool flagged = (mask & bit) != 0;
            const std::size_t kept = step.last ? mask & ~bit : mask;
            const std::size_t hit = step.last ? mask & ~bit : mask | bit;
            for (int c = 0; c < counts; ++c) {
                const int c2 = flagged ? c : std::min(c + 1, counts - 1);
                for (int s = 0; s < 3; ++s) {
                    const LD v = cur[At(mask, c, s)];
                    next[At(kept, c, s)] += v * (1 - ch.e[static_cast<std::size_t>(s)]);
                    next[At(hit, c2, s)] += v * ch.e[static_cast<std::size_t>(s)];
                }
            }
        }
        cur.swap(next);
    }
};

double RunPlan(const Channel &ch, const std::vector<ChannelTransitions> &powers, const Plan &plan,
               int t) {
    Recursion r{ch, t + 2, {}, {}};
    const std::size_t size = (std::size_t{1} << plan.slots) * static_cast<std::size_t>(t + 2) * 3;
    r.cur.assign(size, 0);
    r.next.assign(size, 0);
    for (int s = 0; s < 3; ++s)
        r.cur[r.At(0, 0, s)] = ch.pi[static_cast<std::size_t>(s)];
    for (const Step &step : plan.steps) {
        if (step.gap > 0)
            r.Move(powers[static_cast<std::size_t>(step.gap)]);
        r.Draw(step);
    }
    LD sum = 0;
    for (std::size_t i = 0; i < r.cur.size(); i += 3) {
        if (static_cast<int>((i / 3) % static_cast<std::size_t>(t + 2)) <= t)
            sum += r.cur[i] + r.cur[i + 1] + r.cur[i + 2];
    }
    return static_cast<double>(std::min<LD>(sum, 1));
}

// The cells the recursion of a plan works through, or infinity past the limits of its size.
double Cells(const Plan &plan, int t) {
    if (plan.slots > kMaxOpenSymbols || plan.maxGap > kMaxGap)
        return HUGE_VAL;
    return static_cast<double>(plan.steps.size()) * static_cast<double>(1 << plan.slots) *
           (static_cast<double>(t) + 2);
}

// One bit of the count distribution: the errors drawn into h, counts 0 .. top.
void SplitErrors(const Channel &ch, const std::vector<LD> &f, std::vector<LD> &h, int top) {
    for (int k = 0; k <= top; ++k) {
        for (std::size_t s = 0; s < 3; ++s) {
            const std::size_t i = static_cast<std::size_t>(k) * 3 + s;
            const LD stay = k < top ? f[i] * (1 - ch.e[s]) : 0;
            h[i] = stay + (k > 0 ? f[i - 3] * ch.e[s] : 0);
        }
    }
}

} // namespace

ChannelTransitions TheoryTransitions(const std::array<double, 15> &d) {
    ChannelTransitions P{};
    P[0][0] = Clamp01(d[kP00]);
    P[0][1] = 1 - P[0][0];
    P[2][2] = Clamp01(d[kP22]);
    P[2][1] = 1 - P[2][2];
    // State 1 compares one draw y with P11 and with P10 + P11, the sum in extended precision.
    P[1][1] = Clamp01(d[kP11]);
    P[1][0] = std::max<LD>(0, Clamp01(static_cast<LD>(d[kP10]) + d[kP11]) - P[1][1]);
    P[1][2] = 1 - P[1][1] - P[1][0];
    return P;
}

std::array<LD, 3> TheoryErrorProbs(const std::array<double, 15> &d) {
    return {Clamp01(d[kE0]), Clamp01(d[kE1]), Clamp01(d[kE2])};
}

std::optional<std::array<LD, 3>> TheoryStationary(const ChannelTransitions &P) {
    // pi_i is proportional to the sum over the spanning trees directed into i of the products of
    // their transitions (the Markov chain tree theorem): for three states, three trees each.
    const std::array<LD, 3> w = {P[1][0] * P[2][0] + P[1][0] * P[2][1] + P[1][2] * P[2][0],
                                 P[0][1] * P[2][1] + P[0][1] * P[2][0] + P[0][2] * P[2][1],
                                 P[0][2] * P[1][2] + P[0][2] * P[1][0] + P[0][1] * P[1][2]};
    const LD total = w[0] + w[1] + w[2];
    if (!(total > 0))
        return std::nullopt;
    return std::array<LD, 3>{w[0] / total, w[1] / total, w[2] / total};
}

std::optional<double> TheoryPErrIn(const std::array<double, 15> &d) {
    const auto ch = MakeChannel(d);
    if (!ch)
        return std::nullopt;
    return static_cast<double>(ch->pi[0] * ch->e[0] + ch->pi[1] * ch->e[1] + ch->pi[2] * ch->e[2]);
}

namespace {

// A count whose three cells all fall below this is dropped from the top of the distribution and
// stays zero. Counts below the top never receive mass from above, so they come out as without the
// cut; what the cut leaves out is under 3 n of these, far below the smallest double, so that the
// counts above the top, which would round to 0 as doubles, are 0.
constexpr LD kNegligible = 1e-340L;

// The transitions after a bit, counts 0 .. top.
void MoveStates(const Channel &ch, const std::vector<LD> &h, std::vector<LD> &f, int top) {
    const auto &P = ch.P;
    for (std::size_t i = 0; i <= static_cast<std::size_t>(top) * 3; i += 3) {
        for (int s = 0; s < 3; ++s)
            f[i + static_cast<std::size_t>(s)] =
                h[i] * P[0][s] + h[i + 1] * P[1][s] + h[i + 2] * P[2][s];
    }
}

std::vector<double> SumStates(const std::vector<LD> &h, int n) {
    std::vector<double> result(static_cast<std::size_t>(n) + 1);
    for (std::size_t k = 0; k < result.size(); ++k)
        result[k] = static_cast<double>(h[3 * k] + h[3 * k + 1] + h[3 * k + 2]);
    return result;
}

} // namespace

std::vector<double> TheoryErrorCounts(const std::array<double, 15> &d, int n) {
    const auto ch = MakeChannel(d);
    if (!ch || n < 0)
        return {};
    // f and h: per count k and state s at 3k + s, before and after a bit's error draw; counts
    // above top are zero.
    const std::size_t size = (static_cast<std::size_t>(n) + 2) * 3;
    std::vector<LD> f(size, 0), h(size, 0);
    std::copy(ch->pi.begin(), ch->pi.end(), f.begin());
    h = f;
    int top = 0;
    for (int b = 0; b < n; ++b) {
        SplitErrors(*ch, f, h, top + 1);
        const auto last = static_cast<std::size_t>(top + 1) * 3;
        if (h[last] < kNegligible && h[last + 1] < kNegligible && h[last + 2] < kNegligible)
            h[last] = h[last + 1] = h[last + 2] = 0;
        else
            ++top;
        if (b + 1 < n)
            MoveStates(*ch, h, f, top);
    }
    return SumStates(h, n);
}

std::vector<double> TheoryErrorCountsPlain(const std::array<double, 15> &d, int n) {
    const auto ch = MakeChannel(d);
    if (!ch || n < 0)
        return {};
    const std::size_t size = (static_cast<std::size_t>(n) + 1) * 3;
    std::vector<LD> f(size, 0), h(size, 0);
    std::copy(ch->pi.begin(), ch->pi.end(), f.begin());
    h = f;
    for (int b = 0; b < n; ++b) {
        SplitErrors(*ch, f, h, b + 1);
        if (b + 1 < n)
            MoveStates(*ch, h, f, b + 1);
    }
    return SumStates(h, n);
}

std::optional<double> TheoryAtMostT(const std::array<double, 15> &d, std::span<const int> positions,
                                    std::span<const int> symbolOf, int t) {
    const auto ch = MakeChannel(d);
    const auto plan = MakePlan(positions, symbolOf);
    if (!ch || !plan || t < 0 || Cells(*plan, t) > kMaxCells)
        return std::nullopt;
    return RunPlan(*ch, Powers(ch->P, plan->maxGap), *plan, t);
}

std::optional<double> TheoryBitsAtMostT(const std::array<double, 15> &d,
                                        std::span<const int> positions, int t) {
    std::vector<int> own(positions.size());
    for (std::size_t i = 0; i < own.size(); ++i)
        own[i] = static_cast<int>(i);
    return TheoryAtMostT(d, positions, own, t);
}

std::optional<double> TheoryDecodedBound(const std::array<double, 15> &d,
                                         std::span<const std::int32_t> perm, int n, int L, int t,
                                         int m) {
    const auto ch = MakeChannel(d);
    const long long N = static_cast<long long>(n) * L;
    if (!ch || n < 1 || L < 1 || m < 1 || t < 0 || N > static_cast<long long>(perm.size()))
        return std::nullopt;
    // Each word's positions in channel order, with the symbol of each.
    std::vector<std::vector<int>> positions(static_cast<std::size_t>(L)), symbols(positions);
    std::vector<bool> seen(static_cast<std::size_t>(N), false);
    for (int p = 0; p < static_cast<int>(N); ++p) {
        const std::int32_t cell = perm[static_cast<std::size_t>(p)];
        if (cell < 0 || cell >= N || seen[static_cast<std::size_t>(cell)])
            return std::nullopt;
        seen[static_cast<std::size_t>(cell)] = true;
        positions[static_cast<std::size_t>(cell / n)].push_back(p);
        symbols[static_cast<std::size_t>(cell / n)].push_back((cell % n) / m);
    }
    // All plans first, so that a block past the limits costs no recursion.
    std::vector<Plan> plans;
    double cells = 0;
    for (std::size_t w = 0; w < positions.size(); ++w) {
        plans.push_back(*MakePlan(positions[w], symbols[w]));
        cells += Cells(plans.back(), t);
    }
    if (cells > kMaxCells)
        return std::nullopt;
    const auto powers = Powers(ch->P, static_cast<int>(N));
    LD sum = 0;
    for (const Plan &plan : plans)
        sum += RunPlan(*ch, powers, plan, t);
    return static_cast<double>(sum / L);
}

} // namespace spi
