// What exact theory and batch means say beside a run, and the per-batch counts they need. A
// figure that cannot be given honestly is absent, with the reason in words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spi {

// The counts of a run in batches of consecutive blocks ("Стат 1": words). The batches are laid
// over the blocks of the whole run, whichever part of a divided run runs them, so that the parts'
// tallies add up cell by cell. Each batch holds its words, its bit errors before and after
// decoding and its words per number of errors before decoding.
struct BatchTally {
    int batches = 0;              // 0 when the run keeps no tally
    int length = 0;               // n: the multiplicities 0..n
    std::vector<long long> cells; // batches * Stride()

    int Stride() const { return 3 + length + 1; }
    std::size_t At(int b, int offset) const {
        return static_cast<std::size_t>(b) * static_cast<std::size_t>(Stride()) +
               static_cast<std::size_t>(offset);
    }
    long long &Words(int b) { return cells[At(b, 0)]; }
    long long &BitsIn(int b) { return cells[At(b, 1)]; }
    long long &BitsOut(int b) { return cells[At(b, 2)]; }
    long long &Mult(int b, int i) { return cells[At(b, 3 + i)]; }
    long long Words(int b) const { return cells[At(b, 0)]; }
    long long BitsIn(int b) const { return cells[At(b, 1)]; }
    long long BitsOut(int b) const { return cells[At(b, 2)]; }
    long long Mult(int b, int i) const { return cells[At(b, 3 + i)]; }
};

// The figures beside a completed run. Empty values are absent; the reasons say why.
struct RunTheory {
    std::vector<double> multBefore;     // theoryMultBefore, 0..n
    std::optional<double> pErrIn;       // theoryPErrIn
    std::optional<double> decodedBound; // theoryDecodedBound ("Стат2" only)
    int boundT = 0;                     // the t of the bound
    int boundSymbolBits = 1;            // the bits of its symbols (1: bit errors)
    std::optional<double> fitMaxZ;
    std::optional<double> pErrInConfBatch;
    std::optional<double> pErrOutConfBatch; // "Стат2" only
    int batches = 0;                        // the batches the half-widths rest on
    std::string theoryAbsent;               // why multBefore and pErrIn are absent
    std::string boundAbsent;                // why decodedBound is absent ("Стат2")
    std::string fitAbsent;                  // why fitMaxZ is absent
    std::string batchAbsent;                // why the batch half-widths are absent
};

} // namespace spi
