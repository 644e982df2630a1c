// The coder settings ("УЗО"): everything the coder window does, without the window. The window
// shows this object's fields and forwards its controls' events to it; the batch front end uses the
// same object to choose a code as a user would. The object is created once and keeps its controls'
// contents between openings, as the window does.
#pragma once

#include "coding/code_catalogue.h"
#include "model/model_state.h"
#include "model/notifier.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace spi {

// An edit field of the window: its text and whether it can be typed into and is shown at all.
struct CoderField {
    std::string text;
    bool enabled = true;
    bool visible = true;
};

struct CoderSpin {
    bool enabled = true;
    bool visible = true;
};

enum class CoderCloseOutcome {
    Accepted,      // the settings were taken over
    Cancelled,     // "Отмена": the model kept its values
    InvalidNumber, // n, k or Cm was not an integer: the taking over stopped at that field
};

// The radio buttons as the code catalogue describes them: the code types that have a button
// (0..10, 12..18), their captions and the order in which each panel lists them. Types whose tap
// set is chosen in the selection panel: IsPolynomialSetType of the catalogue.
bool HasRadioButton(int codeType);
std::string_view RadioCaption(int codeType);    // empty for a type without a button
std::span<const int> CyclicPanelTypes();        // 0, 2, 3, 4, 5, 14, 13, 18, 17
std::span<const int> ConvolutionalPanelTypes(); // 7, 1, 6, 8, 9, 10, 12, 15, 16
CoderPanel PanelOfType(int codeType);           // the panel holding the type's button

inline constexpr std::string_view kCmLabelInitial = "Максимальное число итераций Cm:";
inline constexpr std::string_view kCmLabelErrors = "Макс.число исправляемых ошибок Сm:";
inline constexpr std::string_view kCmLabelIterations = "Максимальное число итераций  Сm:";
// Shown when an eighth polynomial is clicked: the code has room for seven.
inline constexpr std::string_view kSelectionFullMessage =
    "Выбрано уже 7 многочленов - больше в наборе быть не может. Для нового набора нажмите "
    "\"Сброс\".";

// Characters the user can type into each field.
inline constexpr std::size_t kGenPolyMaxLength = 50;
inline constexpr std::size_t kBlockLengthMaxLength = 8; // n and k
inline constexpr std::size_t kNumberMaxLength = 3;
inline constexpr std::size_t kInnerListMaxLength = 30;
inline constexpr int kMaxSelectedPolynomials = 7;

class CoderSettings {
public:
    // The window's creation: the polynomial list, the first Cm label, nothing checked.
    CoderSettings();

    // --- The stage window's "УЗО" button ---
    // Before the window is shown: check the stored code type's button (its handler runs only if
    // the button was not checked already) and fill n, k, Cm, g(x) and the inner list from the
    // model over that type's defaults.
    void Open(ModelState &m, Notifier &notifier);
    // After the window closed ("Ввод" or the close box: accepted; "Отмена": not). Takes the
    // settings over unless cancelled, then parses g(x) unless
    // the type is a non-binary one; a field that is not an integer stops both with the conversion
    // message. The inner list is taken over with the rest: the cascade generator reads the model.
    CoderCloseOutcome Close(ModelState &m, Notifier &notifier, bool accepted);
    bool IsOpen() const { return open_; }

    // Opening an initial-data file clears every code-type button; no handler runs.
    void ClearTypeSelection() { checked_.reset(); }

    // --- Controls ---
    // A click on a type's radio button. False when the type has no button or the button was
    // already checked (a checked radio button does not react to a second click).
    bool CheckType(int codeType, ModelState &m, Notifier &notifier);
    void OtherCodesOnCyclicPanel();        // "Другие" of the cyclic panel
    void OtherCodesOnConvolutionalPanel(); // "Другие" of the convolutional panel
    // A click on row 1..170 of the polynomial list; false when nothing was added.
    bool ChoosePolynomial(int row, ModelState &m, Notifier &notifier);
    void ResetSelection(ModelState &m); // "Сброс"
    void CloseSelection();              // "O K"
    void NumberUp(ModelState &m, Notifier &notifier);
    void NumberDown(ModelState &m, Notifier &notifier);
    // The number field as the user leaves it after typing; the entry runs on every change.
    void TypeNumber(std::string_view text, ModelState &m, Notifier &notifier);
    // The rate spin button; false (and nothing changes) when the model's n0 or index is out of
    // range.
    bool RateUp(ModelState &m);
    bool RateDown(ModelState &m);
    void TypeGenPoly(std::string_view text);
    void TypeCodeN(std::string_view text);
    void TypeCodeK(std::string_view text);
    void TypeCm(std::string_view text);
    void TypeInnerList(std::string_view text);

    // --- What the window shows ---
    std::optional<int> CheckedType() const { return checked_; }
    CoderPanel Panel() const { return panel_; }
    const std::string &CmLabel() const { return cmLabel_; }
    const CoderField &GenPoly() const { return genPoly_; }     // Edit1
    const CoderField &CodeN() const { return codeN_; }         // Edit2
    const CoderField &CodeK() const { return codeK_; }         // Edit3
    const CoderField &Cm() const { return cm_; }               // Edit4
    const CoderField &Number() const { return number_; }       // Edit5
    const CoderField &Rate() const { return rate_; }           // Edit6, never typed into
    const CoderField &InnerList() const { return innerList_; } // Edit7
    const std::string &Total() const { return total_; }        // "Всего:"
    const CoderSpin &NumberSpin() const { return numberSpin_; }
    const CoderSpin &RateSpin() const { return rateSpin_; }
    const std::vector<std::string> &PolynomialList() const {
        return polynomialList_;
    } // row r at r-1
    const std::vector<std::string> &Selected() const { return selected_; }

private:
    void RunTypeHandler(int codeType, ModelState &m, Notifier &notifier);
    void SetNumberText(std::string text, ModelState &m, Notifier &notifier);
    void NumberEntered(ModelState &m, Notifier &notifier);
    bool ChangeRate(bool up, ModelState &m);
    std::optional<int> NumberForSpin(ModelState &m, Notifier &notifier);
    void EmptyCodeFields(ModelState &m, Notifier &notifier);

    std::optional<int> checked_;
    CoderPanel panel_ = CoderPanel::Cyclic;
    std::string cmLabel_{kCmLabelInitial};
    CoderField genPoly_;
    CoderField codeN_;
    CoderField codeK_;
    CoderField cm_;
    CoderField number_;
    CoderField rate_{"", false, true};
    CoderField innerList_{"", false, false};
    std::string total_ = "0";
    CoderSpin numberSpin_;
    CoderSpin rateSpin_{false, true};
    std::vector<std::string> polynomialList_;
    std::vector<std::string> selected_;
    bool open_ = false;
};

} // namespace spi
