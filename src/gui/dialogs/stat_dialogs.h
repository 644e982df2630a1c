#pragma once

#include "gui/kit/ui_kit.h"

#include <QString>

#include <vector>

class QGridLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace spi::gui {

// --- What every parameter dialog of the workstation does with its entries ---

// A caption whose blanks are part of the text (they line the labels up in the system's forms).
QLabel *MakeCaption(const QString &text, QWidget *parent, const QString &name = {});
// Gives a field room for `chars` digits of the dialog's font.
void SetFieldChars(QLineEdit *field, int chars);
// A row of a form: the caption left (named fieldName + "Label"), the field right, typing limited to
// maxLength characters, room for `chars` digits.
QLineEdit *AddFieldRow(QGridLayout *grid, QWidget *parent, int row, const QString &caption,
                       const QString &fieldName, int maxLength, int chars);
// Puts "Ввод" and "Отмена" below the form and fixes the size, wide enough for the caption in a
// title bar.
void FinishDialogLayout(ParameterDialog *dialog, QVBoxLayout *outer);
// The pop-up item "Цвет": the chosen colour becomes the shared dialog colour and this dialog's.
void AttachDialogColorItem(ParameterDialog *dialog, GuiServices &services);
// After Run(): "Отмена" has set dialogCancelled, which is reset here; true when the dialog
// accepted its entries and they are to be read back.
bool EntriesAccepted(int runResult, WindowValues &window);

// Whether a real-valued field holds a number as the dialogs read it: an empty field (0), or a
// number with a decimal point or comma.
bool IsDialogReal(const QString &text);
// The message for an integer field that holds something else, naming the field by its label.
QString InvalidIntegerEntry(const QString &label, const QString &text);

// The caption that AddFieldRow put beside a field.
QString CaptionOf(const QLineEdit *field);

// The message for a real field holding a text that is not a number: the text and the symbol
// that ends the field's caption, as in «abc» — не число (поле Hp).
QString NotANumberEntry(const QString &label, const QString &text);

// Takes the marks of bad entries off every field of a dialog that is being filled anew.
void ClearFieldMarks(QWidget *dialog);

// One field of a dialog checked on "Ввод" before anything of that dialog is stored.
struct EntryRule {
    QLineEdit *field = nullptr;
    QString label;        // the field's caption, named in the message
    bool integer = false; // an integer field; otherwise a real one
};
// Checks the fields in order; the first bad one is reported ("Некорректный ввод!" for a real
// field, the invalid-integer message with the label for an integer one) and every bad one is
// marked, so that the dialog stays open with nothing stored.
bool CheckEntries(const std::vector<EntryRule> &rules, Notifier &notifier);

// --- The dialogs of the two test runs ---

class Stat1Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit Stat1Dialog(GuiServices &services, QWidget *parent = nullptr);
    // Fills n and NB, shows the dialog, stores the entries; true when the run is to start.
    bool RunStep();

private:
    QLineEdit *edit1_ = nullptr; // n
    QLineEdit *edit2_ = nullptr; // NB
};

class Stat2Dialog : public ParameterDialog {
    Q_OBJECT
public:
    explicit Stat2Dialog(GuiServices &services, QWidget *parent = nullptr);
    // Fills NB, shows the dialog, stores the entry; true when the run is to start (not after
    // "Отмена", nor without a code or with NB < 1).
    bool RunStep();

private:
    QLineEdit *edit1_ = nullptr; // NB
};

} // namespace spi::gui
