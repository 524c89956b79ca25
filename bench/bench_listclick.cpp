// The job list as an operator gets it: from the click on "List Tracking Job Statuses" in a main
// window to the end of the completed response's handling (grid filled, body in the received
// pane, received block in the traffic log), beside curl fetching the same URL in the same run.
// Each size is fetched from nginx serving a generated list file and from the simulator. The
// lists of a series are clicked back to back in one window, as an operator clicks List again:
// no sync() and no reset of the peak between them, so the series' peak resident growth is what
// the lists cost together. Also the longest event-loop stall and the received pane's speed.
// Runs on the platform QT_QPA_PLATFORM names (offscreen when unset), so also under X.
//
//   bench_listclick [--runs N] [--million] [JOBS...]
//     default: 5 lists each of 32766 and 100000 jobs; --million adds 1,000,000 jobs from
//     nginx (a few seconds a list, about 3 GB of memory)

#include "FlexGrid.h"
#include "JobListGenerator.h"
#include "NginxServer.h"
#include "ProcessMemory.h"
#include "ProgramLook.h"
#include "SimProcess.h"
#include "StallMeter.h"
#include "TrafficView.h"
#include "VirtualMachine.h"
#include "desktop/AppEnvironment.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "main/frmMain.h"
#include "traffic/TrackingExchange.h"
#include "transfer/InetTransfer.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString kListPath = u"/api/videocompare/tracking"_s;

// The pane is measured for lists up to this size: copying a 1 GB body as text would need
// several GB more than the list itself. The simulator builds a million jobs for about a
// minute, so the largest list comes from nginx only.
constexpr int kMaxPaneJobs = 100000;
constexpr int kMaxSimulatorJobs = 100000;
constexpr int kMillion = 1000000;

// Goals: the list at most 3x curl's time (5x for a million jobs), the series' peak growth at
// most 2.5x the body, no stall over 100 ms, the pane's end with a paint under 50 ms,
// select-all-and-copy and the Copy button under 1 s.
constexpr double kMaxRatio = 3.0;
constexpr double kMaxMillionRatio = 5.0;
constexpr double kMaxGrowthPerBody = 2.5;
constexpr double kMaxStallMs = 100.0;
constexpr double kMaxEndMs = 50.0;
constexpr double kMaxCopyMs = 1000.0;
// What the marks of the last list keep for every job, beside its old texts where it changed.
constexpr double kMaxMarkBytes = 16.0;

// The stall timer's period; the drain after completion lets the window paint what it shows.
constexpr int kStallTickMs = 1;
constexpr int kDrainMs = 250;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double elapsedMs(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double curlMs(const QString &url)
{
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(u"curl"_s, {u"-s"_s, u"-o"_s, u"/dev/null"_s, url});
    if (!curl.waitForFinished(600000) || curl.exitStatus() != QProcess::NormalExit
        || curl.exitCode() != 0)
        qFatal("curl failed on %s (is curl installed?)", qPrintable(url));
    return elapsedMs(clock);
}

struct ListRun
{
    double ms = 0;
    double stallMs = 0;
    double stolenMs = 0;
};

struct PaneRun
{
    double endMs = 0;
    double selectCopyMs = 0;
    double copyButtonMs = 0;
};

// The lists of one size from one server, clicked back to back in one window.
struct Series
{
    const char *server = "";
    int jobs = 0;
    std::vector<ListRun> lists;
    std::vector<double> curlMs;
    double growthMiB = 0;
    qint64 bodyBytes = 0;
    PaneRun pane;
    bool paneMeasured = false;
    double marksBytesPerJob = -1;  // kept for every job; -1: not measured
    double changedBytesPerJob = 0; // the changed jobs' old texts, spread over all jobs
};

// A main window set up to list from a server on loopback, with its traffic log in a folder of
// its own.
class Window final
{
public:
    explicit Window(quint16 port)
    {
        AppEnvironment env = AppEnvironment::system().value();
        env.programFolder = m_folder.path();
        m_window = std::make_unique<frmMain>(std::move(env));
        if (const Result<> loaded = m_window->Form_Load(); !loaded)
            qFatal("%s", qPrintable(loaded.reason()));
        m_window->show();
        while (!m_window->windowHandle() || !m_window->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        child<QLineEdit>("txtIP")->setText(u"127.0.0.1:"_s + QString::number(port));
    }

    template <typename T>
    T *child(const char *name) const
    {
        T *found = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("the window has no %s", name);
        return found;
    }

    ListRun list(int jobs)
    {
        auto *status = child<QLabel>("lblStat");
        QElapsedTimer clock;
        ListRun run;
        StallMeter stalls(kStallTickMs);
        const double stolenBefore = VirtualMachine::stolenMs();
        stalls.start();
        clock.start();
        child<QPushButton>("cmd1")->click();
        // The list is handled once the transfer is released (the body scanned, grid and pane
        // filled) and the received block is in the file: a large one is written by the log's
        // own thread.
        QEventLoop handled;
        QTimer poll;
        poll.setTimerType(Qt::PreciseTimer);
        bool logged = false;
        const QMetaObject::Connection loggedSeen =
            QObject::connect(child<TrackingExchange>(""), &TrackingExchange::receivedLogged,
                             &handled, [&logged] { logged = true; });
        QObject::connect(&poll, &QTimer::timeout, &handled, [&] {
            if (!m_window->StillExecuting() && logged) {
                run.ms = elapsedMs(clock);
                // Stopped here, or the drain below would run it on and move the time.
                poll.stop();
                handled.quit();
            }
        });
        poll.start(1);
        handled.exec();
        QObject::disconnect(loggedSeen);
        if (status->text() != u"Response Completed"_s)
            qFatal("the transfer ended with \"%s\"", qPrintable(status->text()));
        // What the list changed is painted only after the handler: that is part of showing it.
        runEventsFor(kDrainMs);
        stalls.stop();
        run.stallMs = stalls.longestMs();
        run.stolenMs = VirtualMachine::stolenMs() - stolenBefore;
        // The table keeps every job: once the changed list has come, its new jobs too.
        const int rows = child<FlexGrid>("gridCon_1")->Rows() - 1;
        if (rows != jobs && rows != jobs + jobs / 1000)
            qFatal("the grid has %d rows for %d jobs", rows, jobs);
        return run;
    }

    qint64 shownBytes() const { return child<TrafficView>("txtRx")->bytes().size(); }

    // The received pane with the body shown: Ctrl+End with a paint, Ctrl+A then Ctrl+C, the
    // Copy button; the median of each over `runs` runs.
    PaneRun pane(int runs)
    {
        auto *view = child<TrafficView>("txtRx");
        auto *copy = child<QPushButton>("cmdRxCopy");
        view->setFocus();
        QElapsedTimer clock;
        std::vector<double> end, selectCopy, copyButton;
        for (int i = 0; i < runs; ++i) {
            QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
            view->viewport()->repaint();
            clock.start();
            QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
            view->viewport()->repaint();
            end.push_back(elapsedMs(clock));

            QGuiApplication::clipboard()->clear();
            clock.start();
            QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
            selectCopy.push_back(elapsedMs(clock));

            clock.start();
            copy->click();
            copyButton.push_back(elapsedMs(clock));
        }
        if (QGuiApplication::clipboard()->text().size() < view->bytes().size() / 2)
            qFatal("the Copy button did not put the body on the clipboard");
        QGuiApplication::clipboard()->clear();
        return {median(end), median(selectCopy), median(copyButton)};
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<frmMain> m_window;
};

// `runs` lists in a row in one window, each after curl's fetch of the same URL: on a shared
// machine the load drifts, and each pair then meets about the same load. The peak is set back
// once, before the first list; what a list leaves behind for the next counts.
// With `nginx` given, the lists alternate between its two bodies, the generated list and the
// same list a little later (JobListGenerator::changedList), so that each list after the first
// has jobs to mark: new, changed and not listed. The bodies are made before the peak is set
// back: the benchmark's own bytes are not the program's growth.
Series measureSeries(const char *server, quint16 port, const QString &url, int jobs, int runs,
                     const NginxServer *nginx = nullptr, const QByteArray *bodies = nullptr)
{
    Series series;
    series.server = server;
    series.jobs = jobs;
    // An untimed fetch, so that curl does not pay alone for what a first request warms up.
    curlMs(url);
    {
        Window window(port);
        ProcessMemory::resetPeak();
        const qint64 before = ProcessMemory::statusKiB("VmRSS");
        for (int i = 0; i < runs; ++i) {
            if (nginx && i > 0)
                nginx->setBody(bodies[i % 2]);
            series.curlMs.push_back(curlMs(url));
            series.lists.push_back(window.list(jobs));
            const ListRun &run = series.lists.back();
            std::printf("  %s, %d jobs, list %d: %.0f ms (curl %.0f ms), longest stall %.0f ms, "
                        "stolen by the host %.0f ms\n",
                        server, jobs, i + 1, run.ms, series.curlMs.back(), run.stallMs,
                        run.stolenMs);
            std::fflush(stdout);
        }
        series.growthMiB = double(ProcessMemory::statusKiB("VmHWM") - before) / 1024.0;
        series.bodyBytes = window.shownBytes();
        if (jobs <= kMaxPaneJobs) {
            series.pane = window.pane(runs);
            series.paneMeasured = true;
        }
    }
    return series;
}

std::vector<Series> measure(int jobs, int runs)
{
    std::vector<Series> all;
    {
        // The two lists are held here while nginx serves them in turn: a million jobs take a
        // GB each.
        const QByteArray bodies[] = {JobListGenerator::list(jobs),
                                     JobListGenerator::changedList(jobs)};
        const NginxServer nginx(bodies[0], kListPath);
        all.push_back(
            measureSeries("nginx", nginx.port(), nginx.url(), jobs, runs, &nginx, bodies));
        // What the marks keep beside the table, for the two lists the series alternated.
        JobStatusTable table;
        ParseJobList(bodies[0], table);
        ParseJobList(bodies[1], table);
        const auto list = table.history().lastList().value();
        const double count = double(table.jobCount());
        all.front().marksBytesPerJob = double(table.history().jobBytes()) / count;
        all.front().changedBytesPerJob = double(table.history().changedTextBytes()) / count;
        std::printf("  marks after the changed list of %d jobs: %lld new, %lld changed, %lld not "
                    "listed; %.1f bytes a job, and %.1f for the changed jobs' old texts\n",
                    jobs, qint64(list.added), qint64(list.changed), qint64(list.notListed),
                    all.front().marksBytesPerJob, all.front().changedBytesPerJob);
    }
    if (jobs <= kMaxSimulatorJobs) {
        SimProcess sim;
        sim.setPatience(600000);
        if (!sim.start({u"--port"_s, u"0"_s, u"--quiet"_s, u"--jobs"_s, QString::number(jobs)})
            || !sim.port())
            qFatal("the simulator did not start");
        all.push_back(measureSeries("simulator", sim.port(), sim.listUrl(), jobs, runs));
    }
    return all;
}

const char *verdict(bool met)
{
    return met ? "ok" : "missed";
}

void printTable(const std::vector<Series> &all, int runs)
{
    std::printf("\nList: click on cmd1 to the end of the completed response's handling; median "
                "of %d lists in a row in one window, each beside curl's fetch\n",
                runs);
    std::printf("%-10s %8s %8s %8s %8s %6s %5s %6s %10s %7s %5s %6s %5s %8s %5s %12s %5s\n",
                "server", "jobs", "body MB", "list ms", "curl ms", "ratio", "goal", "",
                "growth MiB", "x body", "goal", "", "stall", "max ms", "", "marks B/job", "");
    for (const Series &s : all) {
        std::vector<double> ms, stall;
        for (const ListRun &run : s.lists) {
            ms.push_back(run.ms);
            stall.push_back(run.stallMs);
        }
        const double goalRatio = s.jobs >= kMillion ? kMaxMillionRatio : kMaxRatio;
        const double ratio = median(ms) / median(s.curlMs);
        const double perBody = s.growthMiB / (double(s.bodyBytes) / (1024.0 * 1024.0));
        // Judged on the worst stall of all lists: one freeze is one too many.
        const double worstStall = *std::max_element(stall.begin(), stall.end());
        const QByteArray marks = s.marksBytesPerJob < 0
            ? QByteArray("-")
            : QByteArray::number(s.marksBytesPerJob, 'f', 1) + " + "
                + QByteArray::number(s.changedBytesPerJob, 'f', 1);
        std::printf("%-10s %8d %8.1f %8.0f %8.0f %6.2f %5.1f %6s %10.1f %7.2f %5.1f %6s %5.0f "
                    "%8.1f %5s %12s %5s\n",
                    s.server, s.jobs, double(s.bodyBytes) / 1e6, median(ms), median(s.curlMs),
                    ratio, goalRatio, verdict(ratio <= goalRatio), s.growthMiB, perBody,
                    kMaxGrowthPerBody, verdict(perBody <= kMaxGrowthPerBody), kMaxStallMs,
                    worstStall, verdict(worstStall <= kMaxStallMs), marks.constData(),
                    s.marksBytesPerJob < 0 ? "" : verdict(s.marksBytesPerJob <= kMaxMarkBytes));
    }
    std::printf("\nReceived pane with the body shown; median of %d runs, ms\n", runs);
    std::printf("%-10s %8s %16s %4s %18s %4s %14s %4s\n", "server", "jobs", "Ctrl+End, paint", "",
                "Ctrl+A, Ctrl+C", "", "Copy button", "");
    for (const Series &s : all) {
        if (!s.paneMeasured)
            continue;
        std::printf("%-10s %8d %16.1f %4s %18.0f %4s %14.0f %4s\n", s.server, s.jobs, s.pane.endMs,
                    verdict(s.pane.endMs < kMaxEndMs), s.pane.selectCopyMs,
                    verdict(s.pane.selectCopyMs < kMaxCopyMs), s.pane.copyButtonMs,
                    verdict(s.pane.copyButtonMs < kMaxCopyMs));
    }
    std::printf("\nGoals: ratio <= %.0fx curl (%.0fx for %d jobs), series peak growth <= %.1fx "
                "body, stall <= %.0f ms, Ctrl+End < %.0f ms, copies < %.0f ms, marks <= %.0f "
                "bytes a job (+ the changed jobs' old texts)\n",
                kMaxRatio, kMaxMillionRatio, kMillion, kMaxGrowthPerBody, kMaxStallMs, kMaxEndMs,
                kMaxCopyMs, kMaxMarkBytes);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyProgramFonts();

    int runs = 5;
    std::vector<int> jobCounts;
    bool million = false;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == u"--runs"_s && i + 1 < arguments.size())
            runs = std::max(1, arguments[++i].toInt());
        else if (arguments[i] == u"--million"_s)
            million = true;
        else
            jobCounts.push_back(arguments[i].toInt());
    }
    if (jobCounts.empty())
        jobCounts = {32766, 100000};
    if (million)
        jobCounts.push_back(kMillion);

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    if (VirtualMachine::handsFreedMemoryBack()) {
        std::printf("this machine hands freed memory back to its host: memory new to the "
                    "program and the log's page cache cost more than on a machine of its own\n");
    }
    std::vector<Series> all;
    for (const int jobs : jobCounts) {
        std::printf("measuring %d jobs...\n", jobs);
        std::fflush(stdout);
        for (Series &series : measure(jobs, runs))
            all.push_back(std::move(series));
    }
    printTable(all, runs);
    return 0;
}
