#ifndef CALORIVECTRIX_GUI_RTFWRITER_H
#define CALORIVECTRIX_GUI_RTFWRITER_H

// Plain text as a rich-text (RTF) document that word processors open: one monospaced font,
// one paragraph per line, so column layouts made of spaces survive.

#include <QByteArray>
#include <QString>

struct RtfFont {
  QString family = QStringLiteral("Courier New");
  int points = 10;
};

// Each line of `text` (split at line feeds; a carriage return before one is dropped)
// becomes a paragraph. Backslashes and braces are escaped, characters outside ASCII are
// written as Unicode escapes with, for readers that do not know them, the Windows-1252 byte
// of the character (or "?" where that code page has none), and control characters other
// than tabs are dropped. The result is pure ASCII.
QByteArray PlainTextToRtf(const QString& text, const RtfFont& font = RtfFont());

#endif
