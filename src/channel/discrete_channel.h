// The analytic calculation of the discrete channel from the continuous-channel settings, and the
// derivation of the remaining discrete-channel parameters from those the user enters.
#pragma once

#include "model/model_state.h"
#include "model/notifier.h"

#include <array>

namespace spi {

// Indices into discParams.
enum DiscIndex : int {
    kP0 = 0,
    kP1,
    kP2,
    kE0,
    kE1,
    kE2,
    kP00,
    kP01,
    kP10,
    kP11,
    kP12,
    kP21,
    kP22,
    kPcp,
    kCk
};

// Error probability of coherent reception, entries 1..52 (entry 0 unused).
extern const std::array<long double, 53> QTable;

long double BitErrorProb(const ModelParameters &p, long double h);
long double Factorial(int n);
long double IntPower(long double x, int n);
long double UpperGamma(int m, long double x);
long double BesselI0Series(const ModelParameters &p, long double x);

// Writes discParams from the continuous channel (cases A, B, C, then the transition step).
// A refused or degenerate calculation reports its message and leaves discParams as they were.
void CalcDiscreteChannel(ModelParameters &p, Notifier &notifier);

// Steps 1..8 from P0, P1, E0, E1, E2, P01 and P21 as they stand in discParams: P2, P00, P10, P12,
// P11, P22, Pcp and Ck. Input that would divide by zero or give a value that is not a number is
// refused with "Некорректный ввод параметров!" and discParams keep their previous values.
// Returns whether the values were taken.
bool DeriveDiscreteChannel(ModelParameters &p, Notifier &notifier);

} // namespace spi
