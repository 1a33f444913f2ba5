#include "gui/platform/rtfwriter.h"

#include <QStringList>

namespace {

void AppendEscapedFontName(QByteArray& out, const QString& family) {
  for (const QChar c : family) {
    const char16_t u = c.unicode();
    // A font name ends at the semicolon; keep the table well formed whatever it is called.
    if (u >= 0x20 && u < 0x7f && u != '\\' && u != '{' && u != '}' && u != ';')
      out += static_cast<char>(u);
  }
}

void AppendLine(QByteArray& out, QStringView line) {
  bool afterText = false;
  for (const QChar c : line) {
    const char16_t u = c.unicode();
    if (u == ' ') {
      // A run of spaces is all text in RTF, but some readers fold it into one space. Every
      // space after the first of a run (or at a line's start) is therefore written as the
      // code-page character 0x20, which no reader folds, so the columns stay aligned.
      out += afterText ? QByteArray(" ") : QByteArray("\\'20");
      afterText = false;
      continue;
    }
    afterText = true;
    if (u == '\\' || u == '{' || u == '}') {
      out += '\\';
      out += static_cast<char>(u);
    } else if (u == '\t') {
      out += "\\tab ";
      afterText = false;
    } else if (u < 0x20 || u == 0x7f) {
      afterText = false;  // dropped: nothing to show
    } else if (u < 0x80) {
      out += static_cast<char>(u);
    } else {
      // \uN takes a signed 16-bit number; characters beyond 16 bits arrive here as their
      // two UTF-16 halves, which is how RTF writes them too. The stand-in for readers
      // without Unicode is a question mark written as a hex escape: some readers skip one
      // character too many after a literal one.
      out += "\\u" + QByteArray::number(static_cast<int16_t>(u)) + "\\'3f";
    }
  }
}

}  // namespace

QByteArray PlainTextToRtf(const QString& text, const RtfFont& font) {
  QByteArray out;
  out.reserve(text.size() * 2 + 200);
  out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 ";
  AppendEscapedFontName(out, font.family);
  out += ";}}\n";
  out += "\\pard\\plain\\f0\\fs" + QByteArray::number(font.points * 2) + " \n";
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype k = 0; k < lines.size(); ++k) {
    QStringView line(lines[k]);
    if (line.endsWith(QLatin1Char('\r')))
      line.chop(1);
    AppendLine(out, line);
    if (k + 1 < lines.size())
      out += "\\par \n";
  }
  out += "}\n";
  return out;
}
