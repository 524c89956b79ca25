// Speed of the traffic view on the bodies that freeze ordinary text panes: the 100,000-job
// list (about 100 MB of pretty-printed lines) and a 30 MB body on one line. Prints the median
// of several runs for each step, on the offscreen platform unless another is asked for.

#include "JobListGenerator.h"

#include "TrafficView.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 5;

double milliseconds(const std::function<void()> &step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Median of `kRuns` runs of `step`, each after an untimed `prepare`.
double median(const std::function<void()> &prepare, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        times.push_back(milliseconds(step));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void press(TrafficView &view, int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&view, &event);
}

void report(const char *what, double ms)
{
    std::printf("  %-44s %10.2f ms\n", what, ms);
}

void benchLines(TrafficView &view)
{
    const QByteArray body = JobListGenerator::list(100000);
    std::printf("100,000-job list: %lld bytes\n", static_cast<long long>(body.size()));
    const double index = median([&] { view.setBytes(QByteArray()); }, [&] { view.setBytes(body); });
    report("setBytes (line index)", index);
    std::printf("  %-44s %10.2f ms\n", "  per 100 MB",
                index * 100e6 / static_cast<double>(body.size()));
    std::printf("  %-44s %10lld\n", "lines", static_cast<long long>(view.lineCount()));
    report("first paint", milliseconds([&] { view.viewport()->repaint(); }));
    report("Ctrl+End and paint", median(
                                     [&] {
                                         press(view, Qt::Key_Home, Qt::ControlModifier);
                                         view.viewport()->repaint();
                                     },
                                     [&] {
                                         press(view, Qt::Key_End, Qt::ControlModifier);
                                         view.viewport()->repaint();
                                     }));
    report("Ctrl+A then Ctrl+C", median([&] { QGuiApplication::clipboard()->clear(); },
                                        [&] {
                                            press(view, Qt::Key_A, Qt::ControlModifier);
                                            press(view, Qt::Key_C, Qt::ControlModifier);
                                        }));
    report("Copy of the whole body", median([] {}, [&] { view.copyAll(); }));
}

void benchOneLine(TrafficView &view)
{
    const QByteArray body
        = QByteArray("{\"jobs\": [")
          + QByteArray("{\"id\": 1, \"v\": \"abc\"}, ").repeated(30 * 1000 * 1000 / 24) + "]}";
    std::printf("one line: %lld bytes\n", static_cast<long long>(body.size()));
    report("setBytes (line index)",
           median([&] { view.setBytes(QByteArray()); }, [&] { view.setBytes(body); }));
    report("End and paint (first, builds checkpoints)", milliseconds([&] {
               press(view, Qt::Key_End, {});
               view.viewport()->repaint();
           }));
    QScrollBar *bar = view.horizontalScrollBar();
    std::vector<double> steps;
    for (int i = 0; i <= 100; ++i) {
        steps.push_back(milliseconds([&] {
            bar->setValue(static_cast<int>(static_cast<qint64>(bar->maximum()) * i / 100));
            view.viewport()->repaint();
        }));
    }
    std::sort(steps.begin(), steps.end());
    report("sideways scroll step and paint, median", steps[steps.size() / 2]);
    report("sideways scroll step and paint, slowest", steps.back());
    report("Ctrl+A then Ctrl+C", milliseconds([&] {
               press(view, Qt::Key_A, Qt::ControlModifier);
               press(view, Qt::Key_C, Qt::ControlModifier);
           }));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TrafficView view;
    view.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 6, QFont::Bold));
    view.resize(250, 140);
    view.show();
    view.setFocus();
    // Painting only happens once the offscreen window is exposed.
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("TrafficView, median of %d runs\n", kRuns);
    benchLines(view);
    benchOneLine(view);
    return 0;
}
