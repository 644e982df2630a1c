#include "gui/dialogs/disc_channel_dialog.h"

#include "forms/channel_forms.h"
#include "gui/dialogs/stat_dialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <string>

namespace spi::gui {

namespace {

constexpr int kFieldLength = 10;
// Room for the widest text written, two blanks and a 9:7 value.
constexpr int kFieldChars = 11;

QGroupBox *MakeGroup(QWidget *parent, const QString &title, const QString &name) {
    auto *box = new QGroupBox(title, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

DiscChannelDialog::DiscChannelDialog(GuiServices &s, QWidget *p)
    : ParameterDialog(s, QStringLiteral("Дискретный канал"), p) {
    auto *outer = new QVBoxLayout(this);
    auto *groups = new QHBoxLayout;

    struct Row {
        const char *caption;
        int group;
    };
    static const Row kRows[7] = {{"P0:", 0}, {"P1:", 0},  {"E0:", 1}, {"E1:", 1},
                                 {"E2:", 1}, {"P01:", 2}, {"P21:", 2}};
    QGroupBox *boxes[3] = {
        MakeGroup(this, QStringLiteral("Вероятности состояний"), QStringLiteral("GroupBox1")),
        MakeGroup(this, QStringLiteral("Вероятности ошибок"), QStringLiteral("GroupBox2")),
        MakeGroup(this, QStringLiteral("Переходные вероятности"), QStringLiteral("GroupBox3"))};
    QGridLayout *grids[3];
    for (int g = 0; g < 3; ++g) {
        grids[g] = new QGridLayout(boxes[g]);
        grids[g]->setRowStretch(3, 1);
        groups->addWidget(boxes[g]);
    }
    int rowInGroup[3] = {0, 0, 0};
    for (int i = 0; i < 7; ++i) {
        const int g = kRows[i].group;
        edits_[static_cast<std::size_t>(i)] =
            AddFieldRow(grids[g], boxes[g], rowInGroup[g]++, QString::fromUtf8(kRows[i].caption),
                        QStringLiteral("Edit%1").arg(i + 1), kFieldLength, kFieldChars);
    }
    outer->addLayout(groups);

    auto *bottom = new QGridLayout;
    bottom->setHorizontalSpacing(12);
    bottom->addWidget(MakeCaption(QStringLiteral("Средняя вероятность ошибки   Pср:"), this,
                                  QStringLiteral("Label10Caption")),
                      0, 0);
    label10_ = MakeCaption(QString(), this, QStringLiteral("Label10"));
    bottom->addWidget(label10_, 0, 1);
    edits_[7] = AddFieldRow(bottom, this, 1, QStringLiteral("Вероятность перерыва    PP:"),
                            QStringLiteral("Edit8"), kFieldLength, kFieldChars);
    bottom->setColumnStretch(2, 1);
    outer->addLayout(bottom);

    FinishDialogLayout(this, outer);
    AttachDialogColorItem(this, s);
    validateOnEnter = [this] {
        std::vector<EntryRule> rules;
        for (QLineEdit *e : edits_)
            rules.push_back({e, CaptionOf(e), false});
        return CheckEntries(rules, services_.notifier);
    };
}

bool DiscChannelDialog::RunStep() {
    ModelState &m = services_.model;
    ClearFieldMarks(this);
    const std::optional<DiscChannelFields> shown = OpenDiscChannelDialog(m, services_.notifier);
    if (!shown)
        return false;
    const DiscChannelFields &f = *shown;
    const std::string *texts[8] = {&f.p0, &f.p1, &f.e0, &f.e1, &f.e2, &f.p01, &f.p21, &f.pp};
    for (std::size_t i = 0; i < edits_.size(); ++i)
        edits_[i]->setText(QString::fromStdString(*texts[i]));
    label10_->setText(QString::fromStdString(f.pcpLabel));

    if (EntriesAccepted(Run(), services_.window)) {
        DiscChannelFields taken = f;
        std::string *back[8] = {&taken.p0, &taken.p1,  &taken.e0,  &taken.e1,
                                &taken.e2, &taken.p01, &taken.p21, &taken.pp};
        for (std::size_t i = 0; i < edits_.size(); ++i)
            *back[i] = edits_[i]->text().toStdString();
        AcceptDiscChannelDialog(m, taken, services_.notifier);
    }
    // The break warning comes after "Отмена" too.
    FinishDiscChannelDialog(m, services_.notifier);
    return true;
}

} // namespace spi::gui
