// From the click on "List Tracking Job Statuses" to "Response Completed" with the grid filled,
// in a main window on the offscreen platform against the simulator on loopback (a process of
// its own holding the list in memory). Prints the median time of several runs and this
// process's peak memory growth during a run against the body size.
//
//   bench_listclick [JOBS...]      (default: 1000 32766 100000)

#include "desktop/AppEnvironment.h"
#include "widgets/ProgramLook.h"
#include "app/frmMain.h"
#include "widgets/FlexGrid.h"
#include "transfer/InetTransfer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;

// A figure of /proc/self/status in KiB ("VmRSS", "VmHWM").
qint64 statusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Sets the peak resident size back to the present one, so the next peak is this run's.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Run
{
    double ms = 0;
    qint64 peakGrowthKiB = 0;
    qint64 bodyBytes = 0;
    int rows = 0;
};

Run oneRun(quint16 port, const QString &folder)
{
    AppEnvironment env = AppEnvironment::system();
    env.programFolder = folder;
    frmMain window(std::move(env));
    QString error;
    if (!window.Form_Load(&error))
        qFatal("%s", qPrintable(error));
    window.show();
    window.findChild<QLineEdit *>(QStringLiteral("txtIP"))
        ->setText(QStringLiteral("127.0.0.1:") + QString::number(port));
    auto *status = window.findChild<QLabel *>(QStringLiteral("lblStat"));

    QEventLoop done;
    QElapsedTimer clock;
    Run run;
    // Connected after the window's own handler, so it runs once that handler has returned.
    QObject::connect(&window.transfer(), &InetTransfer::StateChanged, &done,
                     [&](qint16 state) {
                         if (state == InetTransfer::ResponseCompleted
                             || state == InetTransfer::Failed) {
                             run.ms = double(clock.nsecsElapsed()) / 1e6;
                             done.quit();
                         }
                     });
    QCoreApplication::processEvents();
    resetPeak();
    const qint64 before = statusKiB("VmRSS");
    clock.start();
    window.findChild<QPushButton *>(QStringLiteral("cmd1"))->click();
    done.exec();
    run.peakGrowthKiB = statusKiB("VmHWM") - before;
    if (status->text() != QStringLiteral("Response Completed"))
        qFatal("the transfer ended with \"%s\"", qPrintable(status->text()));
    run.rows = window.grid().Rows() - 1;
    QFile log(QDir(folder).filePath(QStringLiteral("Data_Text.txt")));
    if (log.open(QIODevice::ReadOnly)) {
        // The body is the received block's record: after its marker line, before the CR LF.
        const QByteArray marker("---Data Received---\r\n");
        const QByteArray bytes = log.readAll();
        run.bodyBytes = bytes.size() - (bytes.indexOf(marker) + marker.size()) - 2;
    }
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ApplyProgramFonts();

    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QString::fromLocal8Bit(argv[i]).toInt());
    if (sizes.empty())
        sizes = {1000, 32766, 100000};

    std::printf("Click on the list button to \"Response Completed\" with the grid filled; "
                "median of %d runs\n", kRuns);
    std::printf("%8s %12s %12s %16s %14s\n", "jobs", "body bytes", "median ms",
                "peak growth MiB", "growth/body");
    for (const int jobs : sizes) {
        QProcess sim;
        sim.start(QStringLiteral(TRACKING_SIM_PATH),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet"),
                   QStringLiteral("--jobs"), QString::number(jobs)});
        if (!sim.waitForStarted() || !sim.waitForReadyRead(120000))
            qFatal("the simulator did not start");
        const quint16 port = quint16(QUrl(QString::fromUtf8(sim.readLine().trimmed())).port());

        std::vector<Run> runs;
        for (int i = 0; i < kRuns; ++i) {
            QTemporaryDir folder;
            runs.push_back(oneRun(port, folder.path()));
            if (runs.back().rows != jobs)
                qFatal("the grid has %d rows for %d jobs", runs.back().rows, jobs);
        }
        std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.ms < b.ms; });
        const Run &median = runs[runs.size() / 2];
        std::vector<qint64> growth;
        for (const Run &run : runs)
            growth.push_back(run.peakGrowthKiB);
        std::sort(growth.begin(), growth.end());
        const double growthMiB = double(growth[growth.size() / 2]) / 1024.0;
        std::printf("%8d %12lld %12.0f %16.1f %14.2f\n", jobs,
                    static_cast<long long>(median.bodyBytes), median.ms, growthMiB,
                    growthMiB * 1024.0 * 1024.0 / double(median.bodyBytes));
        std::fflush(stdout);
        sim.terminate();
        sim.waitForFinished();
    }
    return 0;
}
