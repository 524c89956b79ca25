// The program's start as an operator sees it: from the start of the process to the mapping of
// its window on the X display, beside a hello-world label built with this benchmark, started
// the same way on the same display. Needs an X display (make bench runs it under Xvfb).
//
//   bench_startup [--runs N]      (default: 11 starts of each, taking turns)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <vector>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

// Goal: the program's window mapped in at most 1.3x the hello world's time.
constexpr double kMaxRatio = 1.3;
constexpr int kMapTimeoutMs = 20000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Tells when a top-level window is mapped: the root window reports every child mapped on it
// (no window manager runs under Xvfb to hold the mapping up).
class MapWatcher final
{
public:
    MapWatcher()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            qFatal("no X display (DISPLAY=%s); make bench runs this under xvfb-run",
                   qgetenv("DISPLAY").constData());
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~MapWatcher() { xcb_disconnect(m_connection); }
    MapWatcher(const MapWatcher &) = delete;
    MapWatcher &operator=(const MapWatcher &) = delete;

    // Forgets what was reported so far (the windows of an earlier start going away).
    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    // Waits for the next mapping of a top-level window; false after timeoutMs.
    bool waitForMap(int timeoutMs)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < timeoutMs) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY
                    && !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect;
                std::free(event);
                if (mapped)
                    return true;
            }
            pollfd descriptor{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&descriptor, 1, 10);
        }
        return false;
    }

private:
    xcb_connection_t *m_connection;
};

struct Program
{
    const char *name;
    QString path;
    QProcessEnvironment environment;
    std::vector<double> ms;
};

double startMs(MapWatcher &watcher, const Program &program)
{
    watcher.drain();
    QProcess process;
    process.setProcessEnvironment(program.environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(program.path, {});
    if (!watcher.waitForMap(kMapTimeoutMs))
        qFatal("%s showed no window", program.name);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    process.terminate();
    if (!process.waitForFinished(kMapTimeoutMs))
        process.kill();
    process.waitForFinished();
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int runs = 11;
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype runsAt = arguments.indexOf(u"--runs"_s);
    if (runsAt > 0 && runsAt + 1 < arguments.size())
        runs = std::max(1, arguments.at(runsAt + 1).toInt());

    // A copy of the program in a folder of its own: it keeps its files beside itself there,
    // and the build folder's log and settings stay as they were.
    QTemporaryDir folder;
    const QString copy = QDir(folder.path()).filePath(u"talus-test-app"_s);
    if (!folder.isValid() || !QFile::copy(QString::fromUtf8(TALUS_APP_PATH), copy))
        qFatal("cannot copy the program into a temporary folder");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    std::vector<Program> programs = {
        {"hello-world label", QString::fromUtf8(HELLO_LABEL_PATH), environment, {}},
        {"program", copy, environment, {}},
    };

    MapWatcher watcher;
    // One untimed start each, so that none pays alone for loading the libraries from disk.
    for (const Program &program : programs)
        startMs(watcher, program);
    for (int i = 0; i < runs; ++i) {
        for (Program &program : programs)
            program.ms.push_back(startMs(watcher, program));
    }

    const double hello = median(programs.front().ms);
    std::printf("\nStart-up: process start to the window mapped on the X display; median of %d "
                "starts each, taking turns\n",
                runs);
    std::printf("%-26s %8s %8s %8s %5s %6s\n", "", "ms", "min ms", "x hello", "goal", "");
    for (const Program &program : programs) {
        const double ms = median(program.ms);
        const double least = *std::min_element(program.ms.begin(), program.ms.end());
        const bool judged = &program == &programs[1];
        std::printf("%-26s %8.1f %8.1f %8.2f %5s %6s\n", program.name, ms, least, ms / hello,
                    judged ? "1.3" : "", judged ? (ms / hello <= kMaxRatio ? "ok" : "missed") : "");
    }
    return 0;
}
