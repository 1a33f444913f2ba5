#include "gui/platform/rtfwriter.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>

#include "tests/gui/readers.h"

namespace {

QString WriteRtf(const QTemporaryDir& dir, const QString& name, const QString& text) {
  const QString path = dir.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(PlainTextToRtf(text));
  return path;
}

// Columns of spaces, spaces at a line's start and end, empty lines, and the characters RTF
// gives a meaning to: another reader must see exactly the text that was written.
TEST(RtfWriter, AnotherReaderReadsTheSameText) {
  const QString text =
      "Title {with} a \\ backslash\n"
      "=====\n"
      "\n"
      "  1:              0.5            1000   1.2345678e-05\n"
      "    Global (min/max):      -31.700001       0.0000123  \n"
      "   \n"
      "Sum:\\par {\\b not bold}";
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  bool ok = false;
  const QString read = UnrtfText(WriteRtf(dir, "plain.rtf", text), ok);
  ASSERT_TRUE(ok) << "unrtf could not read the file (is it installed? see tools/install-deps)";
  EXPECT_EQ(read.toStdString(), text.toStdString());
}

TEST(RtfWriter, CharactersBeyondAsciiAreUnicodeEscapes) {
  const QString text = QString::fromUtf8("caf\u00e9 \u20ac 1\u00b0C \U0001F600\tend\r\nx\x01y");
  const QByteArray rtf = PlainTextToRtf(text);
  for (const char c : rtf)
    ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "the file must be pure ASCII";
  // A character beyond 16 bits is its two UTF-16 halves, as signed numbers.
  EXPECT_TRUE(rtf.contains("\\u-10179\\'3f\\u-8704\\'3f"));
  // Readers that skip \u show the Windows-1252 byte the document's code page gives each
  // character (from that code page's chart), or "?" where it has none.
  const struct {
    const char* utf8;
    const char* written;
  } fallbacks[] = {
      {"\u00e9", "\\u233\\'e9"},  {"\u00fc", "\\u252\\'fc"},  {"\u00b0", "\\u176\\'b0"},
      {"\u00a0", "\\u160\\'a0"},  {"\u20ac", "\\u8364\\'80"}, {"\u2013", "\\u8211\\'96"},
      {"\u201c", "\\u8220\\'93"}, {"\u0178", "\\u376\\'9f"},  {"\u0160", "\\u352\\'8a"},
      {"\u221e", "\\u8734\\'3f"}, {"\u03b8", "\\u952\\'3f"},  {"\u0101", "\\u257\\'3f"},
  };
  for (const auto& f : fallbacks) {
    EXPECT_EQ(PlainTextToRtf(QString::fromUtf8(f.utf8)).split('\n').at(2),
              QByteArray(f.written) + "}")
        << f.written;
  }
  // A carriage return before a line feed is not a character; other controls are dropped.
  EXPECT_FALSE(rtf.contains("\\'0d"));
  EXPECT_TRUE(rtf.contains("\\par \nxy}"));
  EXPECT_EQ(rtf.count('{'), rtf.count('}'));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  bool ok = false;
  QTextDocument html;
  html.setHtml(QString::fromUtf8(RunReader("unrtf", {"--html", WriteRtf(dir, "u.rtf", text)}, ok)));
  ASSERT_TRUE(ok);
  const QString read = html.toPlainText();
  EXPECT_TRUE(read.contains(QString::fromUtf8("caf\u00e9 \u20ac 1\u00b0C \U0001F600")))
      << read.toStdString();
}

}  // namespace
