// "ДК и РУ": the working surface. The chain is drawn as one row of stage buttons in the order a
// student sets it up and tests it; each button opens its dialog or starts a test run.
#pragma once

#include "gui/kit/gui_services.h"
#include "gui/windows/dialog_set.h"

#include <QPushButton>
#include <QWidget>

#include <array>

namespace spi::gui {

// A stage button whose caption wraps onto two lines when it is long.
class StageButton : public QPushButton {
    Q_OBJECT
public:
    StageButton(const QString &caption, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

class StageWindow : public QWidget {
    Q_OBJECT
public:
    StageWindow(GuiServices &services, DialogSet &dialogs, QWidget *parent = nullptr);

    // Shows the buttons of the structure: 1 "ДК", 2 "РУ".
    void ShowVariant(int channelType);
    void SetHelpMode(bool on);
    bool helpMode() const { return helpMode_; }
    void EnableStat1(bool on);
    void EnableStat2(bool on);
    // BitBtn1 .. BitBtn10.
    QPushButton *button(int number) const { return buttons_[static_cast<std::size_t>(number)]; }

    // "Импорт" of the results window; set by the main window, which owns the scratch folder.
    std::function<void()> onImport;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Clicked(int number);
    void RunTest(bool withCoder);
    void SetCaptionColor(int number, bool highlighted);
    void PlaceButtons();

    GuiServices &services_;
    DialogSet &dialogs_;
    std::array<QPushButton *, 11> buttons_{};
    bool helpMode_ = false;
};

} // namespace spi::gui
