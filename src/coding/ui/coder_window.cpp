#include "coding/ui/coder_window.h"

#include "coding/code_setup.h"
#include "coding/gen_poly_parser.h"

#include <QLabel>
#include <QVBoxLayout>

namespace spi::gui {

// A stand-in until the full window lands: it shows the stored code and takes it over unchanged.
CoderWindow::CoderWindow(GuiServices &services, QWidget *parent)
    : ParameterDialog(services, QStringLiteral("УЗО"), parent) {
    setObjectName(QStringLiteral("TUZO1"));
    auto *layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    layout->addWidget(summary_);
    layout->addWidget(MakeButtonRow());
}

bool CoderWindow::RunStep() {
    const auto &m = services_.model;
    summary_->setText(QStringLiteral("Тип кода %1: n = %2, k = %3, Cm = %4, g(x) = %5")
                          .arg(m.codeType)
                          .arg(m.codeN)
                          .arg(m.codeK)
                          .arg(m.codeT)
                          .arg(QString::fromStdString(m.genPolyText)));
    Run();
    const bool accepted = services_.model.dialogCancelled == 0;
    services_.model.dialogCancelled = 0;
    if (!IsNonBinaryCodeType(services_.model.codeType)) parseGenPoly(services_.model, services_.notifier);
    return accepted;
}

void CoderWindow::ClearCodeTypeButtons() {}

} // namespace spi::gui
