#include "gui/dialogs/progress_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace spi::gui {

ProgressWindow::ProgressWindow(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Count"));
    setWindowTitle(QStringLiteral("Расчет"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Обработано блоков:"), this), 0, 0);
    counter_ = new QLineEdit(this);
    counter_->setReadOnly(true);
    counter_->setObjectName(QStringLiteral("Edit1"));
    grid->addWidget(counter_, 0, 1);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setObjectName(QStringLiteral("ProgressBar1"));
    grid->addWidget(bar_, 1, 0, 1, 2);
    abort_ = new QPushButton(QStringLiteral("Прервать"), this);
    abort_->setObjectName(QStringLiteral("Abort"));
    grid->addWidget(abort_, 2, 0, 1, 2, Qt::AlignHCenter);
    connect(abort_, &QPushButton::clicked, this, [this] {
        abort_->setEnabled(false);
        emit abortRequested();
    });
    setFixedSize(360, 130);
}

void ProgressWindow::Reset() {
    bar_->setValue(0);
    counter_->clear();
    abort_->setEnabled(true);
}

void ProgressWindow::SetProgress(int count) {
    bar_->setValue(std::min(count, 100));
}

void ProgressWindow::SetCounter(long long wordsDone) {
    counter_->setText(QString::number(wordsDone));
}

} // namespace spi::gui
