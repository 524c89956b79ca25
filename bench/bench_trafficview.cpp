// Speed of the traffic view on the bodies that freeze ordinary text panes: the 100,000-job
// list (about 100 MB of pretty-printed lines) and a 30 MB body on one line. Prints, for each
// step, the median wall time of several runs and the processor time of the same run: on a
// shared machine the wall time also holds the waits for a core.

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
#include <ctime>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRuns = 5;

struct Timing
{
    double wallMs = 0;
    double cpuMs = 0;
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

Timing timed(const std::function<void()> &step)
{
    const double cpu = threadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    step();
    const auto stop = std::chrono::steady_clock::now();
    return {std::chrono::duration<double, std::milli>(stop - start).count(), threadCpuMs() - cpu};
}

// The run of median wall time among `kRuns` runs of `step`, each after an untimed `prepare`.
Timing median(const std::function<void()> &prepare, const std::function<void()> &step)
{
    std::vector<Timing> runs;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        runs.push_back(timed(step));
    }
    std::sort(runs.begin(), runs.end(),
              [](const Timing &a, const Timing &b) { return a.wallMs < b.wallMs; });
    return runs[runs.size() / 2];
}

void press(TrafficView &view, int key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&view, &event);
}

void report(const char *what, Timing timing)
{
    std::printf("  %-46s %10.2f %10.2f\n", what, timing.wallMs, timing.cpuMs);
}

void pressAndPaint(TrafficView &view, int key, Qt::KeyboardModifiers modifiers)
{
    press(view, key, modifiers);
    view.viewport()->repaint();
}

void selectAllAndCopy(TrafficView &view)
{
    press(view, Qt::Key_A, Qt::ControlModifier);
    press(view, Qt::Key_C, Qt::ControlModifier);
}

void benchLines(TrafficView &view)
{
    const QByteArray body = JobListGenerator::list(100000);
    const auto index = median([&] { view.setBytes(QByteArray()); }, [&] { view.setBytes(body); });
    std::printf("100,000-job list: %lld bytes, %lld lines\n", static_cast<long long>(body.size()),
                static_cast<long long>(view.lineCount()));
    report("setBytes (line index)", index);
    const double per100 = 100e6 / static_cast<double>(body.size());
    report("setBytes, per 100 MB", {index.wallMs * per100, index.cpuMs * per100});
    report("first paint", timed([&] { view.viewport()->repaint(); }));
    report("Ctrl+End and paint",
           median([&] { pressAndPaint(view, Qt::Key_Home, Qt::ControlModifier); },
                  [&] { pressAndPaint(view, Qt::Key_End, Qt::ControlModifier); }));
    report("Ctrl+A then Ctrl+C",
           median([] { QGuiApplication::clipboard()->clear(); }, [&] { selectAllAndCopy(view); }));
    report("copyAll (the Copy button)", median([] {}, [&] { view.copyAll(); }));
}

void benchOneLine(TrafficView &view)
{
    const QByteArray item("{\"id\": 1, \"v\": \"abc\"}, ");
    const QByteArray body = "[" + item.repeated(30'000'000 / item.size()) + "]";
    std::printf("one line: %lld bytes\n", static_cast<long long>(body.size()));
    report("setBytes (line index)",
           median([&] { view.setBytes(QByteArray()); }, [&] { view.setBytes(body); }));
    report("first paint", timed([&] { view.viewport()->repaint(); }));
    report("End and paint (first: builds the checkpoints)",
           timed([&] { pressAndPaint(view, Qt::Key_End, {}); }));
    QScrollBar *bar = view.horizontalScrollBar();
    std::vector<Timing> steps;
    for (int i = 0; i <= 200; ++i) {
        steps.push_back(timed([&] {
            bar->setValue(static_cast<int>(static_cast<qint64>(bar->maximum()) * i / 200));
            view.viewport()->repaint();
        }));
    }
    std::sort(steps.begin(), steps.end(),
              [](const Timing &a, const Timing &b) { return a.wallMs < b.wallMs; });
    report("sideways scroll step and paint, median", steps[steps.size() / 2]);
    report("sideways scroll step and paint, slowest", steps.back());
    report("Ctrl+A then Ctrl+C", timed([&] { selectAllAndCopy(view); }));
}

// Bodies a hostile server can send: 100 MB of nothing but line ends (as many lines as bytes)
// and 100 MB of bytes that are not UTF-8 (each one a U+FFFD in a copy).
void benchHostile(TrafficView &view)
{
    const QByteArray lineEnds(100'000'000, '\n');
    LineIndex index;
    index.build(lineEnds);
    view.setBytes(lineEnds);
    std::printf("100 MB of LF: %lld lines, line index %lld bytes\n",
                static_cast<long long>(view.lineCount()),
                static_cast<long long>(index.heapBytes()));
    report("Ctrl+End and paint",
           median([&] { pressAndPaint(view, Qt::Key_Home, Qt::ControlModifier); },
                  [&] { pressAndPaint(view, Qt::Key_End, Qt::ControlModifier); }));
    report("Ctrl+A then Ctrl+C",
           median([] { QGuiApplication::clipboard()->clear(); }, [&] { selectAllAndCopy(view); }));
    view.setBytes(QByteArray(100'000'000, '\xff'));
    std::printf("100 MB of invalid UTF-8\n");
    report("Ctrl+A then Ctrl+C",
           median([] { QGuiApplication::clipboard()->clear(); }, [&] { selectAllAndCopy(view); }));
    report("copyAll (the Copy button)", median([] {}, [&] { view.copyAll(); }));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TrafficView view;
    view.setFont(QFont(u"DejaVu Sans Mono"_s, 6, QFont::Bold));
    view.resize(250, 140);
    view.show();
    view.setFocus();
    // Painting only happens once the window is exposed.
    while (!view.windowHandle() || !view.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("TrafficView, median of %d runs; milliseconds of wall and processor time\n", kRuns);
    benchLines(view);
    benchOneLine(view);
    benchHostile(view);
    return 0;
}
