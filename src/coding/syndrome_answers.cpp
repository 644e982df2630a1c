#include "coding/syndrome_answers.h"

#include <array>

namespace spi::cyclic {

namespace {

constexpr int kAnswerMaxParity = 20;     // 2^20 answers of 4 bytes
constexpr int kAnswerMaxPositions = 255; // a position per byte
constexpr int kAnswerMaxWeight = 4;      // four bytes per answer
constexpr long long kAnswerMaxSets = 1LL << 22;

} // namespace

bool AnswersFit(const CodeShape &s, int cm) {
    if (s.r < 1 || s.r > kAnswerMaxParity || s.n > kAnswerMaxPositions || cm > kAnswerMaxWeight)
        return false;
    long long sets = 0;
    long long choose = 1; // C(n, w)
    for (int w = 1; w <= cm; ++w) {
        choose = choose * (s.n - w + 1) / w;
        sets += choose;
        if (sets > kAnswerMaxSets)
            return false;
    }
    return true;
}

void TabulateAnswers(const std::uint64_t *columns, const CodeShape &s, int cm,
                     std::vector<std::uint32_t> &answers) {
    answers.assign(std::size_t{1} << s.r, 0);
    std::array<std::uint32_t, kAnswerMaxPositions + 1> contribution{};
    for (int q = 1; q <= s.n; ++q)
        contribution[static_cast<std::size_t>(q)] = q <= s.k
                                                        ? static_cast<std::uint32_t>(columns[q - 1])
                                                        : std::uint32_t{1} << (q - s.k - 1);
    std::uint32_t *answer = answers.data();
    // Sets of w positions from `from` on, after positions packed into `set` whose syndrome is acc.
    const auto walk = [&](auto &&self, int w, int from, std::uint32_t acc, std::uint32_t set,
                          int shift) -> void {
        for (int q = from; q <= s.n - w + 1; ++q) {
            const std::uint32_t syndrome = acc ^ contribution[static_cast<std::size_t>(q)];
            const std::uint32_t with = set | static_cast<std::uint32_t>(q) << shift;
            if (w == 1) {
                if (answer[syndrome] == 0)
                    answer[syndrome] = with;
            } else {
                self(self, w - 1, q + 1, syndrome, with, shift + 8);
            }
        }
    };
    for (int w = 1; w <= cm; ++w)
        walk(walk, w, 1, 0, 0, 0);
}

} // namespace spi::cyclic
