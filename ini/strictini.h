// Our INI files, read strictly: UTF-8 text in which every line is blank, a comment (";" or "#"), a
// [section] or key=value. Nothing is guessed: no escapes, quotes or continuations are interpreted,
// and a line that is none of these, an unclosed section, a duplicate key or a duplicate section is
// a problem with its line number. What the keys mean is the caller's business.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace ini {

// The lines of UTF-8 text, without their line ends (LF or CR LF), after a byte order mark. Stops
// at the first line that is no text (not UTF-8, or a control character): its number goes to
// badLine and the lines before it are returned; badLine stays 0 for text.
std::vector<QString> textLines(const QByteArray& bytes, int& badLine);
// What is wrong with the line textLines stopped at.
inline constexpr char notText[] = "is no text (not UTF-8, or a control character)";

struct Entry {
    int line;
    QString key;
    QString value; // as written, without the blanks around it
};

struct Section {
    int line;     // 0 for the keys before the first section
    QString name; // empty for the keys before the first section
    std::vector<Entry> entries;
};

struct Problem {
    // What is left out with it: the line, the section's keys up to the next section, or the rest
    // of the file.
    enum Extent { Line, Section, Rest };
    int line;
    QString text;
    Extent extent;
};

struct Document {
    // The first holds the keys that stand before any section, and may be empty. A section that
    // is a problem is not here, nor are its keys, nor a key that is a problem.
    std::vector<Section> sections;
    std::vector<Problem> problems; // in line order; text that is no INI file stops at its line

    const Section* section(const QString& name) const;
};

Document parse(const QByteArray& bytes);

} // namespace ini
