// What the set-up of the "Кривая" window and its sweep share: the continuous-channel parameters a
// curve can run over and the columns of the table of points.
#pragma once

#include <QString>

#include <algorithm>

namespace spi::gui {

struct CurveParameter {
    const char *field;   // model name
    const char *symbol;  // as the continuous-channel dialog labels it
    const char *meaning; // shown under the choice
    const char *from, *to, *step;
    bool integral;
};

// The range of each is one that shows something for the default chain.
inline constexpr CurveParameter kCurveParameters[] = {
    {"contHp", "Hp", "регулярная составляющая сигнал/помеха", "1", "10", "1", false},
    {"contHc", "Hc", "случайная составляющая сигнал/помеха", "1", "10", "1", false},
    {"contQ", "Q", "скорость замираний", "0.01", "0.1", "0.01", false},
    {"contM", "m", "кратность разнесения", "1", "4", "1", true},
};

// The parameter at an index of the choice; the first while none is chosen (-1).
inline const CurveParameter &CurveParameterAt(int index) {
    return kCurveParameters[std::max(0, index)];
}

enum CurveColumn {
    ColValue,
    ColIn,
    ColInConf,
    ColOut,
    ColOutConf,
    ColWord,
    ColCapacity,
    ColWords,
    ColTheoryIn,  // Pвх by theory
    ColWordBound, // the decoder's bound on the word error rate
    ColNote
};

// A value of the parameter as the window writes it.
inline QString CurveNumber(double v) {
    return QString::number(v, 'g', 10);
}

} // namespace spi::gui
