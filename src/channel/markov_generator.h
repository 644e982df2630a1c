// Errors of the discrete channel: a three-state Markov chain, carried across the calls of a run.
#pragma once

#include "model/model_state.h"

#include <cstdint>
#include <optional>
#include <span>

namespace spi {

// Fills errors[1..bits] from the chain of discParams, drawing each bit's error and then its
// transition from random, and keeps the chain's state (chanState) and the stream's length
// (genLength) in state for the next call. False (nothing drawn) when the stream would not fit.
bool DrawMarkovErrors(const ModelParameters &p, MarkovGeneratorState &state, Random &random,
                      std::span<std::uint8_t, kMaxBlock + 1> errors, std::int64_t bits);

// The lanes the chain's comparisons are made in, chunk by chunk: a plain loop (everywhere) or
// eight at a time with AVX2 (on x86-64, checked when the program runs). DrawMarkovErrors takes the
// widest the processor has, and the bit-by-bit loop for calls under 16 bits and channels whose
// state changes are dense; all draw exactly alike. DrawMarkovErrorsWith always works in chunks, in
// the lanes given, which must be available.
enum class MarkovLanes { Portable, Avx2 };
bool MarkovLanesAvailable(MarkovLanes lanes);
bool DrawMarkovErrorsWith(MarkovLanes lanes, const ModelParameters &p, MarkovGeneratorState &state,
                          Random &random, std::span<std::uint8_t, kMaxBlock + 1> errors,
                          std::int64_t bits);

// A call of 1 .. 64 bits whose errors come back as a mask, bit i-1 for bit i, drawn exactly as
// DrawMarkovErrorsPlain draws them (errors is not written); nothing, and nothing drawn, for other
// lengths. For words of a short code, counted and decoded as machine words.
std::optional<std::uint64_t> DrawMarkovErrorMask(const ModelParameters &p,
                                                 MarkovGeneratorState &state, Random &random,
                                                 int bits);

// What the calls of a run share: the chain's comparison counts and how its chunks are worked,
// found once for the run's channel (discParams) and generator rather than at every call. The mask
// calls of a run that keeps its channel take it in place of finding it again; they draw exactly
// alike (a setup for the other generator's draws is set aside and found again).
struct MarkovMaskSetup {
    std::uint64_t errorBelow[3] = {}, stayBelow[3] = {}, toZeroBelow = 0, leastStay = 0;
    bool sameErrors = false; // the three states' error counts are equal
    bool alikeOuter = false; // states 0 and 2 have the same stay and error counts
    bool oneByOne = false;   // state changes are dense: the bits one by one beat the chunks
    bool avx2 = false;       // the chunks in AVX2 lanes
    bool research = false;   // counts of the research generator's 53-bit draws, not of seeds
};
// The setup for the generator `random` draws from.
MarkovMaskSetup SetUpMarkovMasks(const ModelParameters &p, const Random &random);
MarkovMaskSetup SetUpMarkovMasks(const ModelParameters &p);

// The mask of a call whose length the caller has checked (1 .. 64). The check stays inline, so
// that a caller's optional lives in registers rather than in memory written in two parts.
std::uint64_t DrawMarkovErrorBits(const MarkovMaskSetup &setup, const ModelParameters &p,
                                  MarkovGeneratorState &state, Random &random, int bits);
inline std::optional<std::uint64_t> DrawMarkovErrorMask(const MarkovMaskSetup &setup,
                                                        const ModelParameters &p,
                                                        MarkovGeneratorState &state, Random &random,
                                                        int bits) {
    if (bits < 1 || bits > 64)
        return std::nullopt;
    return DrawMarkovErrorBits(setup, p, state, random, bits);
}

// A call's errors as chunk masks, drawn exactly as DrawMarkovErrors draws them (errors is not
// written): bit i of the call (from 0) in bit i % 64 of masks[i / 64]; masks holds (bits + 63) / 64
// words. False, and nothing drawn, for a call of no bits or one that would not fit.
bool DrawMarkovErrorMasks(const ModelParameters &p, MarkovGeneratorState &state, Random &random,
                          std::uint64_t *masks, std::int64_t bits);

// The chain drawn bit by bit, error then transition: the reference the faster ways must match to
// the bit (errors, seed and state after the call).
bool DrawMarkovErrorsPlain(const ModelParameters &p, MarkovGeneratorState &state, Random &random,
                           std::span<std::uint8_t, kMaxBlock + 1> errors, std::int64_t bits);

} // namespace spi
