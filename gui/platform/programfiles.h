#ifndef CALORIVECTRIX_GUI_PLATFORM_PROGRAMFILES_H
#define CALORIVECTRIX_GUI_PLATFORM_PROGRAMFILES_H

// Where the program finds the files it comes with (its help, the example grids, the README):
// beside the executable, as the build folder lays them out, or in share/calorivectrix of the
// prefix it was installed into. Both are found from the executable's own location, so a
// prefix moved elsewhere still works; the current folder is looked at only where the program
// has always looked there first, never for the program's own documentation.

#include <QString>
#include <QStringList>

// The folders to look in, first to last, for a program whose executable is in
// `programFolder`.
QStringList ProgramDataFolders(const QString& programFolder);

// The absolute path of the first file or folder `relative` in those folders, or an empty
// string when none has it. Without `programFolder`, for the running program (nothing before
// the application object exists).
QString FindProgramFile(const QString& relative, const QString& programFolder);
QString FindProgramFile(const QString& relative);

// The same, but `relative` to the current folder first: where the program has always looked
// for its help and example grids, so a teacher's own copy there still wins.
QString FindHereOrProgramFile(const QString& relative, const QString& programFolder);
QString FindHereOrProgramFile(const QString& relative);

#endif
