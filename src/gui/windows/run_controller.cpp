#include "gui/windows/run_controller.h"

#include "gui/dialogs/progress_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <thread>

namespace spi::gui {

namespace {

// Hands the run's progress to the window thread; the run never waits for the window.
class ThreadedProgress : public RunProgress {
public:
    explicit ThreadedProgress(ProgressWindow *window) : window_(window) {}
    void Advance(int count) override {
        QPointer<ProgressWindow> w = window_;
        QMetaObject::invokeMethod(
            window_,
            [w, count] {
                if (w)
                    w->SetProgress(count);
            },
            Qt::QueuedConnection);
    }
    void Counter(long long words) override {
        QPointer<ProgressWindow> w = window_;
        QMetaObject::invokeMethod(
            window_,
            [w, words] {
                if (w)
                    w->SetCounter(words);
            },
            Qt::QueuedConnection);
    }
    bool CancelRequested() override { return cancel.load(std::memory_order_relaxed); }
    std::atomic<bool> cancel{false};

private:
    ProgressWindow *window_;
};

} // namespace

RunResult RunTestWithProgress(GuiServices &services, ProgressWindow &progress, TestKind kind) {
    progress.Reset();
    progress.setWindowModality(Qt::ApplicationModal);
    progress.show();
    QApplication::setOverrideCursor(Qt::WaitCursor);

    ThreadedProgress reporter(&progress);
    QObject::connect(&progress, &ProgressWindow::abortRequested, &progress,
                     [&reporter] { reporter.cancel = true; });

    RunResult result;
    QEventLoop loop;
    std::thread worker([&] {
        result = kind == TestKind::Stat1 ? RunStat1(services.model, services.notifier, &reporter)
                                         : RunStat2(services.model, services.notifier, &reporter);
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec(); // the worker's quit is queued, so it arrives even if the run ended first
    worker.join();
    QCoreApplication::processEvents(); // the last updates of the bar

    QObject::disconnect(&progress, &ProgressWindow::abortRequested, &progress, nullptr);
    QApplication::restoreOverrideCursor();
    progress.hide();
    return result;
}

} // namespace spi::gui
