#ifndef CALORIVECTRIX_GUI_DOCUMENT_SAVEFILE_H
#define CALORIVECTRIX_GUI_DOCUMENT_SAVEFILE_H

// Every file the program writes goes through here: the bytes land in a temporary file that
// replaces the target only once it is complete, so a full disk or a lost drive leaves the
// old file whole.

#include <QByteArray>
#include <QImage>
#include <QString>

// False, with the reason in `message`, when the file could not be written.
bool WriteAtomically(const QString& fileName, const QByteArray& bytes, QString* message);

// The image as PNG, written the same way.
bool SavePng(const QImage& image, const QString& fileName, QString* message);

#endif
