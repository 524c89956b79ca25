// Find and Save As on the bodies operators asked about: the count of a 10-byte text and the
// step to the next match in the 100,000-job list (about 100 MB), with the longest stall of the
// event loop while the count runs in pieces, and the save of a 1 GB pane to a file.

#include "FindBar.h"
#include "JobListGenerator.h"
#include "StallMeter.h"
#include "TrafficView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRuns = 5;
// The goals: the count of a 10-byte text in 100 MB, a step to the next or previous match, the
// longest stall of the event loop, and the save of 1 GiB.
constexpr double kMaxCountMs = 100;
constexpr double kMaxStepMs = 10;
constexpr double kMaxStallMs = 100;
constexpr double kMaxSaveMs = 3000;

const char *verdict(double ms, double goal)
{
    return ms <= goal ? "ok" : "missed";
}

double medianOf(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

// Types the text into the find field and waits for the count; the time to the count, and the
// longest stall of a 1 ms timer meanwhile.
std::pair<double, double> count(TrafficView &view, const QString &text)
{
    FindBar *bar = view.findBar();
    bar->field()->clear();
    view.setCursorPosition(0);
    StallMeter stalls(1);
    QEventLoop loop;
    const auto done = QObject::connect(&view.matches(), &MatchScan::progressed, &loop, [&] {
        if (view.matches().finished())
            loop.quit();
    });
    stalls.start();
    QElapsedTimer clock;
    clock.start();
    bar->field()->setText(text);
    if (!view.matches().finished())
        loop.exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    stalls.stop();
    QObject::disconnect(done);
    return {ms, stalls.longestMs()};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget window;
    auto *view = new TrafficView(&window);
    view->resize(800, 600);
    window.resize(820, 620);
    window.show();

    const QByteArray list = JobListGenerator::list(100000);
    std::printf("Find in the 100,000-job list, %.1f MB, median of %d runs (ms)\n",
                double(list.size()) / 1e6, kRuns);
    view->setBytes(list);
    view->openFind();
    // A text in every job, and one in no job: the count costs the same, the matches differ.
    for (const QString &text : {u"externalId"_s, u"Zz-nowhere"_s}) {
        std::vector<double> times, stalls;
        qsizetype matches = 0;
        for (int run = 0; run < kRuns; ++run) {
            const auto [ms, stall] = count(*view, text);
            times.push_back(ms);
            stalls.push_back(stall);
            matches = qsizetype(view->matches().matches().size());
        }
        std::printf("  count \"%s\" (%lld matches): %.1f ms (goal %.0f, %s), longest stall %.1f "
                    "ms (goal %.0f, %s)\n",
                    qPrintable(text), static_cast<long long>(matches), medianOf(times), kMaxCountMs,
                    verdict(medianOf(times), kMaxCountMs), medianOf(stalls), kMaxStallMs,
                    verdict(medianOf(stalls), kMaxStallMs));
    }
    count(*view, u"externalId"_s);
    // The step itself, judged on the worst of 1,000, and the step with the paint it brings.
    std::vector<double> steps, painted;
    for (int step = 0; step < 2000; ++step) {
        QElapsedTimer clock;
        clock.start();
        if (step % 4 < 2)
            view->findNext();
        else
            view->findPrevious();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (step % 2 == 0) {
            steps.push_back(ms);
        } else {
            view->viewport()->repaint();
            painted.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
    }
    for (const bool withPaint : {false, true}) {
        std::vector<double> sorted = withPaint ? painted : steps;
        std::sort(sorted.begin(), sorted.end());
        const double worst = sorted.back();
        std::printf("  next / previous match%s: median %.3f ms, 99th percentile %.3f ms, worst "
                    "%.3f ms",
                    withPaint ? " with a paint" : "", sorted[sorted.size() / 2],
                    sorted[sorted.size() * 99 / 100], worst);
        // The goal is the step's; the paint is the pane's own, whatever moved it.
        if (!withPaint)
            std::printf(" (goal %.0f, %s)", kMaxStepMs, verdict(worst, kMaxStepMs));
        std::printf("\n");
    }

    // To the page cache (a memory file system where there is one), and to the disk the build
    // is on: QSaveFile syncs the file before it replaces the old one, so the second figure is
    // the disk's.
    const QByteArray big(qsizetype(1) << 30, 'x');
    view->setBytes(big);
    QTemporaryDir disk(QDir(QDir::currentPath()).filePath(u"bench-save-XXXXXX"_s));
    QTemporaryDir memory(u"/dev/shm/bench-save-XXXXXX"_s);
    for (const QTemporaryDir *folder : {&memory, &disk}) {
        if (!folder->isValid())
            continue;
        std::vector<double> saves;
        for (int run = 0; run < kRuns; ++run) {
            const QString file = folder->filePath(u"response.txt"_s);
            QElapsedTimer clock;
            clock.start();
            const Result<> saved = view->saveTo(file);
            saves.push_back(double(clock.nsecsElapsed()) / 1e6);
            if (!saved) {
                std::printf("  save failed: %s\n", qPrintable(saved.reason()));
                return 1;
            }
            QFile::remove(file);
        }
        std::printf("Save As of a 1 GiB pane to %s: median %.0f ms",
                    qPrintable(QDir::toNativeSeparators(folder->path())), medianOf(saves));
        if (folder == &memory)
            std::printf(" (goal %.0f, %s)", kMaxSaveMs, verdict(medianOf(saves), kMaxSaveMs));
        std::printf("\n");
    }
    return 0;
}
