#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

#include <string>

// The program's own file as the system named it when it was first asked in this run
// (/proc/self/exe), kept for the rest of the run. A file deleted since the program started is
// still named, by the path it had: Qt's applicationDirPath() is empty then.
struct ProgramFile
{
    std::string path; // empty when the system names no file
    bool deleted = false;
};
const ProgramFile &startedProgramFile();

// The folder of the program's file: the one Qt gives, else the one of the file the start
// resolved; a failure that says so when neither is known.
Result<QString> executableFolder(const QString &applicationDir, const ProgramFile &started);

// The folder where the program keeps its log, settings and saved response. A program run from
// where it was installed keeps them in the user's own data folder, so that two users of one
// machine never share a log and a system folder is never written to; run from anywhere else
// (its build folder, a copied portable program) it keeps them beside its executable.
QString chooseProgramFolder(const QString &executableFolder, const QStringList &installedBinFolders,
                            const QString &userDataFolder);

// Makes sure the folder exists; a failure, with the reason, when it cannot be made.
Result<> makeProgramFolder(const QString &folder);
