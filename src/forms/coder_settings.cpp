#include "forms/coder_settings.h"

#include "coding/code_setup.h"
#include "coding/gen_poly_parser.h"
#include "model/text_input.h"

#include <algorithm>
#include <array>
#include <limits>

namespace spi {

namespace {

// The fixed codes: the button sets the whole code, and the fields it locks stay as set. For 3 and
// 4 the number loads a table row whose generator the button then replaces by its reciprocal, the
// one the short-code decoders expect; the row stays the model's polynomial number.
struct FixedCode {
    int type;
    std::string_view genPoly, n, k, cm, number;
    bool cmLocked;
    std::uint8_t row; // 0: the number names no row to keep
};
constexpr std::array<FixedCode, 8> kFixedCodes{{
    {2, "5343", "23", "12", "3", "", true, 0},
    {3, "31", "15", "11", "1", "3", false, 3},
    {4, "427", "15", "7", "2", "4", false, 4},
    {5, "35", "7", "3", "1", "", false, 0},
    {6, "71", "10", "5", "2", "", true, 0},
    {8, "нет", "24", "12", "1", "", true, 0},
    {9, "нет", "36", "24", "1", "", true, 0},
    {10, "нет", "32", "24", "1", "", true, 0},
}};

const FixedCode *FixedCodeOf(int type) {
    for (const auto &f : kFixedCodes)
        if (f.type == type)
            return &f;
    return nullptr;
}

// The convolutional types' decoder limit is an iteration count; the others show the number of
// errors.
bool CmIsIterationLimit(int type) {
    return IsConvolutionalType(type);
}

// Table rows outside the tables are never read: a number the window cannot map to a row is
// simply not a row.
const BchRow *BchRowAt(const ModelState &m, int row) {
    if (m.bchTable == nullptr || row < 1 || row > kBchRows)
        return nullptr;
    return &m.bchTable[row];
}

const TapRow *TapRowAt(const ModelState &m, int row) {
    if (m.tapTable == nullptr || row < 1 || row > kTapRows)
        return nullptr;
    return &m.tapTable[row];
}

// Cuts a typed text to the characters the field accepts, counting UTF-8 characters, not bytes.
std::size_t CountChars(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// What a field with a typing limit shows after the user typed `text` into `previous`: typing
// stops at the limit, but a longer text that came from the model (a table row, a data file, the
// polynomial selection) may still be edited; only growth past both lengths is refused.
std::string LimitTyped(std::string_view previous, std::string_view text, std::size_t maxChars) {
    const std::size_t allowed = std::max(maxChars, CountChars(previous));
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == allowed)
                return std::string(text.substr(0, i));
            ++chars;
        }
    }
    return std::string(text);
}

// The number field's integer when it names something: empty, "0", a negative number or a text
// that is not (yet) an integer names nothing.
std::optional<int> PositiveNumber(std::string_view text) {
    const auto value = ParseInteger(text);
    if (!value || *value < 1)
        return std::nullopt;
    return *value;
}

} // namespace

bool HasRadioButton(int codeType) {
    return CodeTypeRow(codeType).button != 0;
}

std::string_view RadioCaption(int codeType) {
    return CodeTypeRow(codeType).caption;
}

std::span<const int> CyclicPanelTypes() {
    return PanelButtonTypes(CoderPanel::Cyclic);
}
std::span<const int> ConvolutionalPanelTypes() {
    return PanelButtonTypes(CoderPanel::Convolutional);
}

CoderPanel PanelOfType(int codeType) {
    const CodeTypeFacts &facts = CodeTypeRow(codeType);
    return facts.button != 0 && facts.panel == CoderPanel::Cyclic ? CoderPanel::Cyclic
                                                                  : CoderPanel::Convolutional;
}

CoderSettings::CoderSettings() {
    polynomialList_.reserve(kTapRows);
    for (int r = 1; r <= kTapRows; ++r)
        polynomialList_.push_back(std::to_string(r) + ": " + kTapTable[r].taps);
}

// --- Opening and taking over ---

void CoderSettings::Open(ModelState &m, Notifier &notifier) {
    open_ = false;
    if (HasRadioButton(m.codeType))
        CheckType(m.codeType, m, notifier);
    codeN_.text = std::to_string(m.codeN);
    codeK_.text = std::to_string(m.codeK);
    cm_.text = std::to_string(m.codeT);
    genPoly_.text = m.genPolyText;
    innerList_.text = m.innerPolyList;
    open_ = true;
}

CoderCloseOutcome CoderSettings::Close(ModelState &m, Notifier &notifier, bool accepted) {
    open_ = false;
    CoderCloseOutcome outcome = CoderCloseOutcome::Accepted;
    if (!accepted) {
        outcome = CoderCloseOutcome::Cancelled;
    } else {
        if (checked_)
            m.codeType = static_cast<std::uint16_t>(*checked_);
        m.genPolyText = genPoly_.text;
        // The cascade generator reads the inner list from the model, so the window's list is
        // taken over with the rest of the settings.
        m.innerPolyList = innerList_.text;
        const std::array<std::pair<const CoderField *, std::int32_t *>, 3> integers{{
            {&codeN_, &m.codeN},
            {&codeK_, &m.codeK},
            {&cm_, &m.codeT},
        }};
        for (const auto &[field, target] : integers) {
            const auto value = ParseInteger(field->text);
            if (!value) {
                notifier.Error(InvalidIntegerMessage(field->text));
                return CoderCloseOutcome::InvalidNumber;
            }
            *target = *value;
        }
    }
    if (!IsNonBinaryCodeType(m.codeType))
        parseGenPoly(m, notifier);
    return outcome;
}

// --- Radio buttons and panels ---

bool CoderSettings::CheckType(int codeType, ModelState &m, Notifier &notifier) {
    if (!HasRadioButton(codeType) || checked_ == codeType)
        return false;
    // One type at a time: a button checked on the other panel is unchecked too, so that the
    // type the user sees checked is the one "Ввод" takes.
    checked_ = codeType;
    RunTypeHandler(codeType, m, notifier);
    return true;
}

void CoderSettings::EmptyCodeFields(ModelState &m, Notifier &notifier) {
    genPoly_.text.clear();
    codeN_.text.clear();
    codeK_.text.clear();
    cm_.text.clear();
    SetNumberText("", m, notifier);
}

void CoderSettings::RunTypeHandler(int type, ModelState &m, Notifier &notifier) {
    cmLabel_ = CmIsIterationLimit(type) ? kCmLabelIterations : kCmLabelErrors;

    if (const FixedCode *fixed = FixedCodeOf(type)) {
        // The number goes in first: its row's generator is then replaced.
        SetNumberText(std::string(fixed->number), m, notifier);
        if (fixed->row != 0)
            m.polyNumbers[0] = fixed->row;
        genPoly_.text = fixed->genPoly;
        codeN_.text = fixed->n;
        codeK_.text = fixed->k;
        cm_.text = fixed->cm;
        genPoly_.enabled = number_.enabled = codeN_.enabled = codeK_.enabled = false;
        cm_.enabled = !fixed->cmLocked;
        number_.visible = true;
        numberSpin_.visible = false;
        return;
    }

    EmptyCodeFields(m, notifier);
    codeN_.enabled = codeK_.enabled = cm_.enabled = true;
    // The non-binary types leave g(x) and the number as they were: a locked number is then
    // changed with the spin button.
    const bool nonBinary = IsNonBinaryCodeType(type);
    if (!nonBinary)
        genPoly_.enabled = true;

    if (IsPolynomialSetType(type)) {
        selected_.clear();
        panel_ = CoderPanel::Selection;
        rateSpin_.enabled = true;
        rateSpin_.visible = true;
        number_.visible = false;
        numberSpin_.visible = false;
        rate_.visible = true;
        if (CodeTypeRow(type).inner == InnerCode::ThresholdSet) {
            innerList_.text.clear();
            innerList_.enabled = innerList_.visible = true;
        } else {
            innerList_.visible = false;
        }
        return;
    }

    // 0, 1, 13, 14, 17, 18: the code comes from the polynomial number, so its field and spin
    // button are shown again even if a fixed or a set type hid them.
    if (!nonBinary)
        number_.enabled = true;
    number_.visible = true;
    numberSpin_.enabled = numberSpin_.visible = true;
    panel_ = PanelOfType(type);
}

void CoderSettings::OtherCodesOnCyclicPanel() {
    panel_ = CoderPanel::Convolutional;
    if (checked_ && PanelOfType(*checked_) == CoderPanel::Cyclic)
        checked_.reset();
}

void CoderSettings::OtherCodesOnConvolutionalPanel() {
    panel_ = CoderPanel::Cyclic;
    if (checked_ && PanelOfType(*checked_) == CoderPanel::Convolutional)
        checked_.reset();
}

// --- Polynomial number ---

void CoderSettings::SetNumberText(std::string text, ModelState &m, Notifier &notifier) {
    // Like an edit control, the field reports a change only when its text really changes.
    if (number_.text == text)
        return;
    number_.text = std::move(text);
    NumberEntered(m, notifier);
}

void CoderSettings::TypeNumber(std::string_view text, ModelState &m, Notifier &notifier) {
    SetNumberText(LimitTyped(number_.text, text, kNumberMaxLength), m, notifier);
}

void CoderSettings::NumberEntered(ModelState &m, Notifier &notifier) {
    const auto entered = PositiveNumber(number_.text);
    if (!entered)
        return;
    const int n = *entered;
    const CodeTypeFacts &facts = CodeTypeRow(checked_.value_or(-1));

    // A number past the type's range is replaced by the last row (the first code for the
    // non-binary types); the replacement runs this entry again, which does the work.
    if (facts.numberLast != 0 && n > facts.numberLast)
        return SetNumberText(
            facts.numberTable == NumberTable::NonBinary ? "1" : std::to_string(facts.numberLast), m,
            notifier);

    if (facts.numberTable == NumberTable::Taps) {
        const TapRow *row = TapRowAt(m, n);
        if (row == nullptr)
            return;
        m.polyNumbers[0] = static_cast<std::uint8_t>(n);
        m.convN0 = 2;
        m.convK0 = 1;
        genPoly_.text = row->taps;
        codeN_.text = std::to_string(row->m * m.convN0);
        codeK_.text = std::to_string(row->m * m.convK0);
        cm_.text = "5";
        m.tapStrings[0] = std::string(row->taps) + ",";
        return;
    }

    // The other types read bchTable; with no clamp of their own a number past its 87 rows is
    // not a row and leaves everything as it was.
    const BchRow *row = BchRowAt(m, n);
    if (row == nullptr)
        return;
    m.polyNumbers[0] = static_cast<std::uint8_t>(n);
    // The syndrome search tries at most five errors.
    if (facts.decoder == Decoder::Syndrome)
        cm_.text = row->t >= 6 ? "5" : std::to_string(row->t);
    if (facts.decoder == Decoder::Bch)
        cm_.text = std::to_string(row->t);
    genPoly_.text = row->g;
    codeN_.text = std::to_string(row->n);
    codeK_.text = std::to_string(row->k);
    m.tapStrings[0] = row->g;
    if (facts.nonBinary) {
        SetUpNonBinaryCode(m, m, notifier);
        genPoly_.text = "нет";
        codeN_.text = std::to_string(m.codeN);
        codeK_.text = std::to_string(m.codeK);
        cm_.text = std::to_string(m.codeT);
    }
}

// An empty field, "0" or a text that names no row first becomes 35, as if the user had typed it.
std::optional<int> CoderSettings::NumberForSpin(ModelState &m, Notifier &notifier) {
    if (!PositiveNumber(number_.text))
        SetNumberText("35", m, notifier);
    return PositiveNumber(number_.text);
}

void CoderSettings::NumberUp(ModelState &m, Notifier &notifier) {
    const auto n = NumberForSpin(m, notifier);
    if (n && *n < std::numeric_limits<int>::max())
        SetNumberText(std::to_string(*n + 1), m, notifier);
}

void CoderSettings::NumberDown(ModelState &m, Notifier &notifier) {
    const auto n = NumberForSpin(m, notifier);
    if (n && *n > 1)
        SetNumberText(std::to_string(*n - 1), m, notifier);
}

// --- Polynomial selection ---

bool CoderSettings::ChoosePolynomial(int row, ModelState &m, Notifier &notifier) {
    const TapRow *tap = TapRowAt(m, row);
    if (tap == nullptr)
        return false;
    if (selected_.size() >= static_cast<std::size_t>(kMaxSelectedPolynomials)) {
        notifier.Warning(kSelectionFullMessage);
        return false;
    }
    const std::string &line = polynomialList_[static_cast<std::size_t>(row - 1)];
    selected_.push_back(line);
    const std::size_t index = selected_.size() - 1;
    m.convPolyIndex = static_cast<std::uint16_t>(index);
    total_ = std::to_string(index + 1);
    m.convN0 = static_cast<std::int32_t>(index) + 2;
    m.convK0 = 1;
    m.polyNumbers[index] = static_cast<std::uint8_t>(row);
    selected_.back() = std::to_string(row) + "(" + std::to_string(tap->J) + ")";
    codeN_.text = std::to_string(tap->m * m.convN0);
    codeK_.text = std::to_string(tap->m * m.convK0);
    cm_.text = "6";
    rate_.text = "1/" + std::to_string(m.convN0);
    // The list line keeps the blank after its colon, and so does the tap text.
    m.tapStrings[index] = line.substr(line.find(':') + 1) + ",";
    genPoly_.text.clear();
    for (const auto &taps : m.tapStrings)
        genPoly_.text += taps;
    return true;
}

void CoderSettings::ResetSelection(ModelState &m) {
    selected_.clear();
    total_ = "0";
    genPoly_.text.clear();
    rate_.text.clear();
    for (auto &taps : m.tapStrings)
        taps.clear();
}

void CoderSettings::CloseSelection() {
    panel_ = CoderPanel::Convolutional;
}

// --- Rate ---

bool CoderSettings::ChangeRate(bool up, ModelState &m) {
    // The spin works from the model's cells also when nothing is selected (after "Сброс"): a
    // number 0 there stands for the first row. convN0 and the index can hold what a data file
    // left, so both are checked against the seven polynomials of a selection.
    const std::size_t index = m.convPolyIndex;
    const std::int32_t n0 = m.convN0;
    if (index >= static_cast<std::size_t>(kMaxSelectedPolynomials) || n0 < 2 ||
        n0 > kMaxSelectedPolynomials + 1)
        return false;
    const int row = m.polyNumbers[index] == 0 ? 1 : m.polyNumbers[index];
    const TapRow *tap = TapRowAt(m, row);
    if (tap == nullptr)
        return false;
    m.polyNumbers[index] = static_cast<std::uint8_t>(row);
    if (up) {
        m.convK0 = n0 - 1;
        rate_.text = std::to_string(n0 - 1) + "/" + std::to_string(n0);
        cm_.text = "6";
    } else {
        m.convK0 = 1;
        rate_.text = "1/" + std::to_string(n0);
        cm_.text = "5";
    }
    codeN_.text = std::to_string(tap->m * n0);
    codeK_.text = std::to_string(tap->m * m.convK0);
    return true;
}

bool CoderSettings::RateUp(ModelState &m) {
    return ChangeRate(true, m);
}
bool CoderSettings::RateDown(ModelState &m) {
    return ChangeRate(false, m);
}

// --- Plain fields ---

void CoderSettings::TypeGenPoly(std::string_view text) {
    genPoly_.text = LimitTyped(genPoly_.text, text, kGenPolyMaxLength);
}
void CoderSettings::TypeCodeN(std::string_view text) {
    codeN_.text = LimitTyped(codeN_.text, text, kBlockLengthMaxLength);
}
void CoderSettings::TypeCodeK(std::string_view text) {
    codeK_.text = LimitTyped(codeK_.text, text, kBlockLengthMaxLength);
}
void CoderSettings::TypeCm(std::string_view text) {
    cm_.text = std::string(text);
}
void CoderSettings::TypeInnerList(std::string_view text) {
    innerList_.text = LimitTyped(innerList_.text, text, kInnerListMaxLength);
}

} // namespace spi
