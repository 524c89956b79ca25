// talus-test-cli list --raw > /dev/null beside curl -s -o /dev/null, both fetching the same
// generated job list from nginx on loopback, taking turns; prints the medians and their ratio
// against the goal of at most 1.5 times curl's time.
//   bench_cli [--runs N] [JOBS]   (default 5 runs, 100000 jobs)
#include "JobListGenerator.h"
#include "NginxServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double kGoal = 1.5;

// Wall time of one run of the program with its standard output thrown away, from the start of
// the process to its end.
double runMs(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        qFatal("%s failed", qPrintable(program));
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    int runs = 5;
    if (arguments.size() >= 2 && arguments.first() == u"--runs") {
        runs = std::max(1, arguments.at(1).toInt());
        arguments = arguments.mid(2);
    }
    const int jobs = arguments.isEmpty() ? 100000 : arguments.first().toInt();

    const QByteArray body = JobListGenerator::list(jobs);
    NginxServer nginx(body, u"/api/videocompare/tracking"_s);
    const QString cli = QString::fromUtf8(TALUS_TEST_CLI_PATH);
    const QStringList cliArguments{u"list"_s, u"--raw"_s, u"--address"_s, nginx.authority()};
    const QStringList curlArguments{u"-s"_s, u"-o"_s, u"/dev/null"_s, nginx.url()};

    // One of each first, so that neither pays for a cold page cache or a cold binary.
    runMs(cli, cliArguments);
    runMs(u"curl"_s, curlArguments);
    std::vector<double> cliMs;
    std::vector<double> curlMs;
    for (int run = 0; run < runs; ++run) {
        cliMs.push_back(runMs(cli, cliArguments));
        curlMs.push_back(runMs(u"curl"_s, curlArguments));
    }
    const double cliMedian = median(cliMs);
    const double curlMedian = median(curlMs);
    const double ratio = cliMedian / curlMedian;
    std::printf("talus-test-cli list --raw > /dev/null, %d jobs (%.1f MB) from nginx, median of %d "
                "runs:\n",
                jobs, double(body.size()) / 1e6, runs);
    std::printf("  talus-test-cli %.0f ms, curl %.0f ms: %.2fx curl (goal: at most %.1fx) %s\n",
                cliMedian, curlMedian, ratio, kGoal, ratio <= kGoal ? "ok" : "missed");
    return 0;
}
