#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// Debian's nginx (nginx-light or nginx, from scripts/install-deps) run as the user's own
// process on a free loopback port, serving fixed bytes at one path: a server whose own cost is
// next to nothing, so a benchmark measures the client. Everything it writes (configuration,
// pid, logs, temporary files) stays in a temporary folder; the process is killed with this
// object. A benchmark that cannot start it ends with the reason.
class NginxServer final
{
public:
    // Serves body with "Content-Type: application/json" at path ("/api/videocompare/tracking").
    NginxServer(const QByteArray &body, const QString &path)
    {
        if (!m_dir.isValid())
            qFatal("nginx: no temporary folder");
        const QString bodyFile = m_dir.filePath(u"body"_s);
        m_bodyFile = bodyFile;
        writeFile(bodyFile, body);
        m_port = freeLoopbackPort();
        const QString conf = u"daemon off;\n"
                             "master_process off;\n"
                             "worker_processes 1;\n"
                             "pid %1/nginx.pid;\n"
                             "error_log %1/error.log warn;\n"
                             "events { worker_connections 64; }\n"
                             "http {\n"
                             "    access_log off;\n"
                             "    client_body_temp_path %1/body-temp;\n"
                             "    proxy_temp_path %1/proxy-temp;\n"
                             "    fastcgi_temp_path %1/fastcgi-temp;\n"
                             "    uwsgi_temp_path %1/uwsgi-temp;\n"
                             "    scgi_temp_path %1/scgi-temp;\n"
                             "    sendfile on;\n"
                             "    server {\n"
                             "        listen 127.0.0.1:%2;\n"
                             "        location = %3 {\n"
                             "            default_type application/json;\n"
                             "            alias %4;\n"
                             "        }\n"
                             "    }\n"
                             "}\n"_s.arg(m_dir.path(), QString::number(m_port), path, bodyFile);
        const QString confFile = m_dir.filePath(u"nginx.conf"_s);
        writeFile(confFile, conf.toUtf8());
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        // -e: the start-up errors too go to the folder, not to /var/log/nginx.
        m_process.start(
            program(),
            {u"-p"_s, m_dir.path(), u"-e"_s, m_dir.filePath(u"error.log"_s), u"-c"_s, confFile});
        if (!m_process.waitForStarted())
            qFatal("nginx: cannot start %s: %s", qPrintable(program()),
                   qPrintable(m_process.errorString()));
        waitUntilListening();
        m_url = u"http://127.0.0.1:%1%2"_s.arg(m_port).arg(path);
    }

    ~NginxServer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    NginxServer(const NginxServer &) = delete;
    NginxServer &operator=(const NginxServer &) = delete;

    quint16 port() const { return m_port; }
    // "127.0.0.1:port", as an operator types it.
    QString authority() const { return u"127.0.0.1:"_s + QString::number(m_port); }
    QString url() const { return m_url; }
    // Serves other bytes from the next request on: the file is replaced whole, so a request
    // under way keeps the old one.
    void setBody(const QByteArray &body) const
    {
        writeFile(m_bodyFile + u".new"_s, body);
        if (!QFile::remove(m_bodyFile) || !QFile::rename(m_bodyFile + u".new"_s, m_bodyFile))
            qFatal("nginx: cannot replace %s", qPrintable(m_bodyFile));
    }

    // Debian installs nginx in /usr/sbin, which is not on every user's PATH.
    static QString program() { return u"/usr/sbin/nginx"_s; }

private:
    static constexpr int kStartMs = 10000;

    static void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("nginx: cannot write %s: %s", qPrintable(name), qPrintable(file.errorString()));
    }

    // A port the kernel just handed out and took back; another process could take it before
    // nginx does, which shows as nginx failing to start.
    static quint16 freeLoopbackPort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            qFatal("nginx: no free loopback port");
        return probe.serverPort();
    }

    void waitUntilListening()
    {
        for (int waited = 0; waited < kStartMs; waited += 20) {
            if (m_process.state() != QProcess::Running) {
                QFile log(m_dir.filePath(u"error.log"_s));
                const QByteArray said = log.open(QIODevice::ReadOnly) ? log.readAll() : "";
                qFatal("nginx: ended at start: %s", said.constData());
            }
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(100))
                return;
            m_process.waitForFinished(20);
        }
        qFatal("nginx: not listening after %d ms", kStartMs);
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_url;
    QString m_bodyFile;
};
