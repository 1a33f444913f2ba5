#ifndef CALORIVECTRIX_GUI_DOCUMENT_SAVEFILE_H
#define CALORIVECTRIX_GUI_DOCUMENT_SAVEFILE_H

// Every file the program writes goes through here, so that nothing is ever lost:
//
// - An ordinary file (or a name not yet taken) is written to a temporary file beside it,
//   which is flushed to the disk and checked before it replaces the target; a full disk, a
//   file-size limit or a lost drive leaves the old file whole and is reported with the
//   reason. A link is followed: the file it leads to is replaced and the link stays.
// - Anything else is never replaced: a device or a named pipe is written to directly, and
//   "-", /dev/stdout, /dev/stderr and /dev/fd/N (or /proc/self/fd/N) write to the
//   program's own open output, wherever the shell sent it, after what is already there.
//   A folder is refused, and so is a file that is read-only.

#include <QByteArray>
#include <QImage>
#include <QString>

// False, with "Cannot save "name": reason." in `message`, when the file could not be written.
bool WriteAtomically(const QString& fileName, const QByteArray& bytes, QString* message);

// The same with only the reason in `reason` ("the disk is full"), for callers that put the
// message together themselves.
bool WriteFileBytes(const QString& fileName, const QByteArray& bytes, QString* reason);

// The image as PNG, written the same way.
bool SavePng(const QImage& image, const QString& fileName, QString* message);

// The output that the name stands for when it names one the program already holds open
// ("-" and /dev/stdout: 1, /dev/stderr: 2, /dev/fd/N: N); -1 for any other name.
int OpenOutputOf(const QString& fileName);

#endif
