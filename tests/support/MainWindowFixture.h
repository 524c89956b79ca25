#pragma once

#include "FlexGrid.h"
#include "ProgramLook.h"
#include "ScriptedHttpServer.h"
#include "TestEnvironment.h"
#include "TrafficView.h"
#include "main/frmMain.h"
#include "traffic/TrackingExchange.h"
#include "transfer/InetTransfer.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

// A main window started in a program folder of its own, with recorded message boxes and a
// scripted server of its own.
struct MainWindowFixture
{
    ScriptedHttpServer server; // first, so that it outlives the window's connections
    QTemporaryDir folder;
    std::shared_ptr<RecordingMessageBoxes> boxes = std::make_shared<RecordingMessageBoxes>();
    std::unique_ptr<frmMain> window;
    // Changes to the test world before the window is made.
    std::function<void(AppEnvironment &)> customize;

    bool start()
    {
        applyProgramFonts();
        AppEnvironment env = testEnvironment(folder.path(), boxes);
        if (customize)
            customize(env);
        window = std::make_unique<frmMain>(std::move(env));
        // A request is idle once its exchange has finished and its received block has been
        // written (a large one by the log's own thread).
        auto *exchange = window->findChild<TrackingExchange *>();
        QObject::connect(exchange, &TrackingExchange::sent, exchange,
                         [this] { *m_logging = true; });
        QObject::connect(exchange, &TrackingExchange::receivedLogged, exchange,
                         [this] { *m_logging = false; });
        QObject::connect(exchange, &TrackingExchange::finished, exchange,
                         [this](const ExchangeOutcome &outcome) {
                             if (!outcome.completed)
                                 *m_logging = false;
                         });
        if (!window->Form_Load())
            return false;
        window->show();
        return true;
    }
    // Started, with this address typed in.
    bool start(const QString &address) { return start() && (txtIP()->setText(address), true); }
    // Started against its server, which answers with this.
    bool serve(const QByteArray &response = ScriptedHttpServer::okResponse({}))
    {
        server.setResponse(response);
        return start(server.authority());
    }

    template <typename T>
    T *control(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *txtIP() const { return control<QLineEdit>("txtIP"); }
    TrafficView *txtTx() const { return control<TrafficView>("txtTx"); }
    TrafficView *txtRx() const { return control<TrafficView>("txtRx"); }
    // What a pane shows, as text.
    QString txText() const { return QString::fromUtf8(txtTx()->bytes()); }
    QString rxText() const { return QString::fromUtf8(txtRx()->bytes()); }
    QLabel *lblStat() const { return control<QLabel>("lblStat"); }
    FlexGrid *grid() const { return control<FlexGrid>("gridCon_1"); }
    InetTransfer *transfer() const { return window->findChild<InetTransfer *>(u"iNetTalus"_s); }
    void click(const char *button) const
    {
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
    }

    QString path(const QString &name) const { return QDir(folder.path()).filePath(name); }
    QByteArray log() const { return fileBytes(path(u"Data_Text.txt"_s)); }

    // Waits until the transfer under way has ended (completed and read, or failed), and its
    // received block is in the log.
    bool waitIdle(int timeoutMs = 10000) const
    {
        return QTest::qWaitFor([this] { return !window->StillExecuting() && !*m_logging; },
                               timeoutMs);
    }
    bool send(const char *button, int timeoutMs = 10000) const
    {
        return click(button), waitIdle(timeoutMs);
    }

private:
    std::shared_ptr<bool> m_logging = std::make_shared<bool>(false);
};
