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

// The byte of Windows-1252, the code page the document declares, that shows `u`; 0 when it
// has none. 0xA0 to 0xFF are Latin-1's own; 0x80 to 0x9F hold the typographic extras.
unsigned char CodePageByte(char16_t u) {
  if (u >= 0xA0 && u <= 0xFF)
    return static_cast<unsigned char>(u);
  static const struct {
    char16_t unicode;
    unsigned char byte;
  } extras[] = {{0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
                {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
                {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
                {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
                {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
                {0x017E, 0x9E}, {0x0178, 0x9F}};
  for (const auto& e : extras) {
    if (e.unicode == u)
      return e.byte;
  }
  return 0;
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
      // without Unicode is the character's byte in the declared code page where it has one
      // ("Jos\u233\'e9", not "Jos?"), else a question mark; always as a hex escape: some
      // readers skip one character too many after a literal one.
      const unsigned char fallback = CodePageByte(u);
      out +=
          "\\u" + QByteArray::number(static_cast<int16_t>(u)) + "\\'" +
          (fallback ? QByteArray::number(fallback, 16).rightJustified(2, '0') : QByteArray("3f"));
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
