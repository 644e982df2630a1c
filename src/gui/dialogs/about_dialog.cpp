#include "gui/dialogs/about_dialog.h"

#include "model/version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace spi::gui {

namespace {

// The version of this build, the one spi-sim --version prints.
QString Version() {
    return QString::fromLatin1(kVersion.data(), static_cast<qsizetype>(kVersion.size()));
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("О программе"));
    setModal(true);

    auto *text = new QLabel(this);
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setFixedWidth(560);
    text->setText(
        QStringLiteral(
            "<p style=\"font-size:12pt; font-weight:bold; color:#1f3f7f;\">"
            "Автоматизированное рабочее место исследования СПИ</p>"
            "<p>Версия %1</p>"
            "<p>Учебно-исследовательская программа для изучения цифровой системы передачи "
            "информации. Цепь передачи: источник двоичных сообщений, устройство защиты от ошибок "
            "(УЗО, 18 типов кодов и декодеров), перемежитель, модулятор, канал с помехами, "
            "демодулятор и решающее устройство, деперемежитель и декодер.</p>"
            "<p>Канал моделируется в одной из двух структур: <b>ДК</b> — дискретный канал с тремя "
            "состояниями, параметры которого рассчитываются по непрерывному каналу (замирания, "
            "разнесение, вид модуляции и демодуляции); <b>РУ</b> — побитовое моделирование "
            "демодулятора и решающего устройства по правилу МП или МАВ.</p>"
            "<p>Статистические испытания методом Монте-Карло: «Стат 1» — канал без кодирования, "
            "«Стат2» — вся цепь с кодированием и перемежением. Результаты: распределение "
            "кратностей ошибок до и после декодирования, эквивалентные вероятности ошибки с "
            "доверительными интервалами, относительная пропускная способность; таблица, "
            "диаграмма, отчёт и печать.</p>"
            "<p>Программа распространяется на условиях лицензии GNU GPL версии 3 или (по вашему "
            "выбору) любой более поздней версии (GPL-3.0-or-later) БЕЗ КАКИХ-ЛИБО ГАРАНТИЙ.</p>")
            .arg(Version()));

    auto *exit = new QPushButton(QStringLiteral("Выход"), this);
    exit->setDefault(true);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(exit);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->addWidget(text);
    layout->addLayout(buttons);
    // A fixed box: its size follows the text once, and the user cannot resize it.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace spi::gui
