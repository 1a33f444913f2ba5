#ifndef CALORIVECTRIX_GUI_DOCUMENT_NATIVEFILE_H
#define CALORIVECTRIX_GUI_DOCUMENT_NATIVEFILE_H

// Files as the operating system sees them: names that are bytes, files that may be folders,
// devices or pipes, and failures that need saying in a student's words.
//
// A name on the command line is a string of bytes that need not be valid UTF-8 (a file made
// on an older system, or copied from one). Qt's own decoding replaces such bytes, after which
// the file can be neither opened nor written under its name. DecodeName keeps every byte: a
// byte that is not part of valid UTF-8 becomes a lone low surrogate U+DC80 + (byte - 0x80),
// which no valid UTF-8 produces, and EncodeName turns it back into the byte. Valid UTF-8
// decodes exactly as QString::fromUtf8 does. Files named this way are opened and written
// through the functions here, never through QFile's own names.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace nativefile {

QString DecodeName(const QByteArray& bytes);
QByteArray EncodeName(const QString& name);

// What the error number means for the student: "the disk is full", "there is no such file
// or folder". Never empty.
QString Reason(int error);

// Opens an existing ordinary file for reading. A folder, a device, a named pipe or a socket
// is refused before anything is read from it (a pipe would wait for a writer for ever), and
// so is a file that cannot be opened: false, with the reason in `reason`.
bool OpenForReading(QFile& file, const QString& name, QString* reason);

}  // namespace nativefile

#endif
