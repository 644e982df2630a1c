#include "research/code_choice.h"

#include "coding/code_catalogue.h"
#include "coding/code_setup.h"

namespace spi {

namespace {

bool TakesNumber(int type) {
    return CodeTypeRow(type).numberLast != 0;
}

void SetError(std::string *error, std::string text) {
    if (error)
        *error = std::move(text);
}

// The type whose button will be checked once the window is open.
std::optional<int> TypeInOpenWindow(const CoderSettings &cs, const ModelState &m) {
    if (!cs.IsOpen() && HasRadioButton(m.codeType))
        return m.codeType;
    return cs.CheckedType();
}

} // namespace

bool ApplyCodeChoice(CoderSettings &cs, ModelState &m, Notifier &notifier, int codeType,
                     std::optional<int> number, std::string *error) {
    const std::string type = std::to_string(codeType);
    if (!HasRadioButton(codeType)) {
        SetError(error, "code type " + type +
                            " has no radio button in the coder settings: choose 0..10 or 12..18");
        return false;
    }
    if (TakesNumber(codeType) && !number) {
        SetError(error, "code type " + type + " takes its code from a polynomial number: --code " +
                            type + ":NUMBER");
        return false;
    }
    if (!TakesNumber(codeType) && number) {
        SetError(error,
                 "code type " + type + " takes no polynomial number" +
                     (IsPolynomialSetType(codeType) ? std::string("; choose rows with --taps")
                                                    : std::string()));
        return false;
    }
    if (number && (*number < 1 || *number > 999)) {
        SetError(error, "polynomial number " + std::to_string(*number) +
                            " is outside 1..999 (the field holds three digits)");
        return false;
    }
    if (!cs.IsOpen())
        cs.Open(m, notifier);
    const std::string innerList = m.innerPolyList;
    cs.ClearTypeSelection();
    cs.CheckType(codeType, m, notifier);
    // The button empties the inner set's field; the list given before stays the set's.
    if (CodeTypeRow(codeType).inner == InnerCode::ThresholdSet)
        cs.TypeInnerList(innerList);
    if (number)
        cs.TypeNumber(std::to_string(*number), m, notifier);
    return true;
}

bool ApplyTaps(CoderSettings &cs, ModelState &m, Notifier &notifier, const std::vector<int> &rows,
               std::string *error) {
    if (rows.empty() || rows.size() > static_cast<std::size_t>(kMaxSelectedPolynomials)) {
        SetError(error,
                 "between 1 and 7 polynomial rows are chosen, not " + std::to_string(rows.size()));
        return false;
    }
    for (int r : rows)
        if (r < 1 || r > kTapRows) {
            SetError(error, "polynomial row " + std::to_string(r) + " is outside 1..170");
            return false;
        }
    const auto type = TypeInOpenWindow(cs, m);
    if (!type || !IsPolynomialSetType(*type)) {
        SetError(error, "polynomial rows are chosen for code types 7, 12, 15 and 16 only (type 1 "
                        "takes its row as --code 1:NUMBER)");
        return false;
    }
    if (!cs.IsOpen())
        cs.Open(m, notifier);
    cs.ResetSelection(m);
    for (int r : rows)
        cs.ChoosePolynomial(r, m, notifier);
    return true;
}

bool AwaitsTaps(const CoderSettings &cs) {
    const auto type = cs.CheckedType();
    return cs.IsOpen() && type && IsPolynomialSetType(*type) && cs.Selected().empty();
}

bool ApplyRate(CoderSettings &cs, ModelState &m, Notifier &notifier, bool up, std::string *error) {
    const auto type = TypeInOpenWindow(cs, m);
    if (!type || !IsPolynomialSetType(*type)) {
        SetError(error, "the rate is chosen for code types 7, 12, 15 and 16 only");
        return false;
    }
    // Opening the window with another type checked runs the type's button, which empties the
    // selection.
    const bool selectionKept = cs.IsOpen() || cs.CheckedType() == type;
    if (!selectionKept || cs.Selected().empty()) {
        SetError(error, "choose the polynomials (--taps) before the rate");
        return false;
    }
    if (!cs.IsOpen())
        cs.Open(m, notifier);
    if (!(up ? cs.RateUp(m) : cs.RateDown(m))) {
        SetError(error, "the rate cannot be changed: n0 = " + std::to_string(m.convN0) +
                            " does not describe the selection");
        return false;
    }
    return true;
}

void ApplyInnerPolyList(CoderSettings &cs, ModelState &m, std::string_view text) {
    m.innerPolyList = std::string(text);
    if (cs.IsOpen())
        cs.TypeInnerList(text);
}

bool AcceptCoderSettings(CoderSettings &cs, ModelState &m, Notifier &notifier) {
    if (!cs.IsOpen())
        cs.Open(m, notifier);
    return cs.Close(m, notifier, true) == CoderCloseOutcome::Accepted;
}

} // namespace spi
