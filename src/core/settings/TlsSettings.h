#pragma once

#include "Result.h"

#include <QString>

// The [TLS] section of the settings file: what a TLS transfer trusts and what it offers. The
// file is read afresh for each transfer, so a pin written a moment ago counts at once.
struct TlsSettings
{
    QString caFile;            // CAFile: PEM certificates trusted besides the system's store
    QString clientCertificate; // ClientCertificate: PEM, offered when a server asks for one
    QString clientKey;         // ClientKey: its PEM private key

    // A relative file name is taken from the settings file's folder. Empty when not set. A
    // failure, naming the file, when the settings file is there but cannot be read.
    static Result<TlsSettings> read(const QString &settingsFile);
};

// The pin of one server, "Pin.<host>:<port>": the SHA-256 of the certificate trusted for it,
// as hex (letter case and ":" between pairs do not matter). Empty when none is stored; a
// failure when the settings file cannot be read.
Result<QString> readPin(const QString &settingsFile, const QString &hostPort);

// Stores sha256 (the raw digest) as the server's pin at once; every other line of the file
// keeps its bytes.
Result<> writePin(const QString &settingsFile, const QString &hostPort, const QByteArray &sha256);
