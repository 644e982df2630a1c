// The exact error statistics of the three-state Markov channel of discParams, as the generator of
// channel/markov_generator.cpp draws it: per bit, the error with probability E of the current
// state, then the transition. States 0 and 2 either stay (P00, P22) or move to state 1; state 1
// stays with P11, moves to state 0 with P10 and to state 2 with the rest. Probabilities outside
// 0..1 act as the generator's comparisons do: below 0 (or not a number) never, 1 or more always.
#pragma once

#include "chain/extended_real.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace spi {

// Row s: the probabilities of the states after a bit drawn in state s.
using ChannelTransitions = std::array<std::array<ExtendedReal, 3>, 3>;

ChannelTransitions TheoryTransitions(const std::array<double, 15> &discParams);

// The error probability of each state, E0, E1 and E2 clamped to 0..1.
std::array<ExtendedReal, 3> TheoryErrorProbs(const std::array<double, 15> &discParams);

// The stationary distribution pi = pi * P, from the chain's in-trees; nothing when the chain has
// no single one (a state that cannot be left and another that cannot be reached, and the like).
// For a channel derived from P0, P1, P01 and P21 it is (P0, P1, P2).
std::optional<std::array<ExtendedReal, 3>> TheoryStationary(const ChannelTransitions &P);

// The mean bit-error probability sum pi_s * E_s; nothing where pi is.
std::optional<double> TheoryPErrIn(const std::array<double, 15> &discParams);

// Entry i, i = 0..n: the probability of i errors among n consecutive channel bits, the chain
// started in its stationary regime. Empty where pi does not exist or n < 0. O(n K), K the largest
// count whose probability is not negligible; equal to the double to TheoryErrorCountsPlain, the
// whole O(n^2) table, which the tests keep as the reference.
std::vector<double> TheoryErrorCounts(const std::array<double, 15> &discParams, int n);
std::vector<double> TheoryErrorCountsPlain(const std::array<double, 15> &discParams, int n);

// The probability that at most t of the symbols hold an error, over the channel positions
// `positions` (strictly increasing, 0-based, one stationary stream) where positions[i] belongs to
// symbol symbolOf[i]; a symbol is in error when any of its bits is. With every symbol a single
// position it counts bit errors. Nothing for input that is not as described, or where the
// symbols overlap in channel order so much that the work would pass its limit.
std::optional<double> TheoryAtMostT(const std::array<double, 15> &discParams,
                                    std::span<const int> positions, std::span<const int> symbolOf,
                                    int t);

// The same for bit errors: at most t errors at the given positions.
std::optional<double> TheoryBitsAtMostT(const std::array<double, 15> &discParams,
                                        std::span<const int> positions, int t);

// The bound for a decoder that corrects every pattern of at most t errors in symbols of m bits
// (m = 1: bit errors): the mean over the L words of an interleaver block of each word's
// probability of at most t symbol errors. Channel position p of the block carries cell perm[p]
// of the matrix, whose word is cell / n and whose symbol within the word is (cell % n) / m.
// Nothing when perm[0 .. n*L-1] is not a permutation, or where TheoryAtMostT gives nothing.
std::optional<double> TheoryDecodedBound(const std::array<double, 15> &discParams,
                                         std::span<const std::int32_t> perm, int n, int L, int t,
                                         int m);

} // namespace spi
