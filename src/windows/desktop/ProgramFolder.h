#pragma once

#include <QString>
#include <QStringList>

// The folder where the program keeps its log, settings and saved response. A program run from
// where it was installed keeps them in the user's own data folder, so that two users of one
// machine never share a log and a system folder is never written to; run from anywhere else
// (its build folder, a copied portable program) it keeps them beside its executable.
QString chooseProgramFolder(const QString &executableFolder, const QStringList &installedBinFolders,
                            const QString &userDataFolder);

// Makes sure the folder exists. False, with the reason, when it cannot be made.
bool makeProgramFolder(const QString &folder, QString *error);
