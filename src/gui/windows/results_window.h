// "Результат испытаний.": the distribution of error multiplicities as a table and the summary
// figures, filled with the texts the run computed.
#pragma once

#include "chain/stat_runs.h"
#include "gui/kit/gui_services.h"

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;
class QVBoxLayout;

namespace spi::gui {

class ResultsWindow : public QDialog {
    Q_OBJECT
public:
    explicit ResultsWindow(GuiServices &services, QWidget *parent = nullptr);

    // Fills the table and the labels from a run's texts.
    void Fill(const ResultsView &view);
    // Shows the window modally (through the services).
    int Run();

    QTableWidget *table() const { return table_; }
    QPushButton *pictureButton() const { return picture_; }
    QPushButton *importButton() const { return import_; }
    QPushButton *exportButton() const { return export_; }
    QPushButton *exitButton() const { return exit_; }
    QLabel *valueLabel(const char *name) const;
    // The lines of theory and batch means under the figures, hidden beyond those of the run.
    static constexpr int kTheoryLines = 4;
    QLabel *theoryLine(int i) const { return theoryLines_[static_cast<std::size_t>(i)]; }

    // What "Рисунок" and "Импорт" do; set by the application.
    std::function<void()> onPicture;
    std::function<void()> onImport;
    std::function<void()> onExportCsv;

private:
    // The parts of the window, top to bottom.
    void AddHeading(QVBoxLayout *layout);
    void AddTable(QVBoxLayout *layout);
    void AddFigures(QVBoxLayout *layout);
    void AddButtons(QVBoxLayout *layout);
    // The widths of the columns as many as the table has, and the table's width to show them.
    void SetColumnWidths();

    GuiServices &services_;
    QTableWidget *table_;
    QLabel *detection_, *volume_, *pIn_, *pOut_, *capacity_;
    std::array<QLabel *, kTheoryLines> theoryLines_{};
    QPushButton *picture_, *import_, *export_, *exit_;
};

} // namespace spi::gui
