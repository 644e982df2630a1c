// Codes chosen by number, as spi-sim's options and the research runs choose them: through the
// coder window, so that a code chosen so is the code the window would give.
#pragma once

#include "forms/coder_settings.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spi {

// Each acts in the window as a user would, opening it first (Open) if it is not open yet, and
// leaves it open so that further choices follow; AcceptCoderSettings presses "Ввод". A refused
// choice returns false with the reason in *error and changes nothing in the model.

// --code TYPE[:NUMBER]: the radio button of TYPE clicked afresh (so that its defaults are set even
// if it was checked), then NUMBER typed into the polynomial number field. NUMBER is needed by the
// types that take their code from it (0, 1, 13, 14, 17, 18) and refused by the others. For type 16
// the inner list the model holds is typed back into its field, which the button empties.
bool ApplyCodeChoice(CoderSettings &cs, ModelState &m, Notifier &notifier, int codeType,
                     std::optional<int> number, std::string *error);
// --taps ROW,ROW,...: "Сброс", then a click on each row of the polynomial list in order; only
// while type 7, 12, 15 or 16 is checked, with 1..7 rows of 1..170.
bool ApplyTaps(CoderSettings &cs, ModelState &m, Notifier &notifier, const std::vector<int> &rows,
               std::string *error);
// True while --code chose type 7, 12, 15 or 16 and no --taps followed: the button emptied the
// selection and with it n, k and Cm, which only a chosen polynomial fills again.
bool AwaitsTaps(const CoderSettings &cs);
// --rate up|down: the rate spin button, once a polynomial is selected.
bool ApplyRate(CoderSettings &cs, ModelState &m, Notifier &notifier, bool up, std::string *error);
// --set innerPolyList=...: the model field, and its window field while the window is open (the
// window's list is what "Ввод" takes over).
void ApplyInnerPolyList(CoderSettings &cs, ModelState &m, std::string_view text);
// "Ввод": opens the window first if it is not open; false when n, k or Cm is not an integer (the
// conversion message has gone to the notifier).
bool AcceptCoderSettings(CoderSettings &cs, ModelState &m, Notifier &notifier);

} // namespace spi
