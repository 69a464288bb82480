// Our INI files, read strictly: UTF-8 text in which every line is blank, a comment (";" or "#"), a
// [section] or key=value. Nothing is guessed: no escapes, quotes or continuations are interpreted,
// and a line that is none of these, an unclosed section, a duplicate key or a duplicate section is
// a problem with its line number. What the keys mean is the caller's business.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace ini {

// The lines of UTF-8 text, one at a time, without their line ends (LF or CR LF), after a byte
// order mark. Stops at the first line that is no text (not UTF-8, or a control character). Lines
// are made as they are asked for, so that a large file is never held twice.
class TextLines
{
public:
    explicit TextLines(const QByteArray& bytes);
    TextLines(QByteArray&&) = delete; // reads the bytes where they stand
    // The next line; false at the end of the text or at a line that is no text.
    bool next(QString& line);
    // The number of the line next() returned last, from 1.
    int number() const { return number_; }
    // The number of the line that is no text; 0 while all is text.
    int badLine() const { return badLine_; }

private:
    const QByteArray& bytes_;
    int start_;
    int number_ = 0;
    int badLine_ = 0;
};
// What is wrong with the line TextLines stopped at.
inline constexpr char notText[] = "is no text (not UTF-8, or a control character)";

// A text as a message repeats it: cut short when it is long, so that a stray megabyte is not
// repeated on the terminal.
QString shortened(const QString& text);

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

// More problems than this and the rest of the file is not read; the last problem says so.
constexpr int mostProblems = 1000;
QString notReadFurther();

// What a reading finds, handed over in line order as it is found, so that a caller who knows what
// the keys mean can count its own problems with the file's and stop the reading at the cap:
// nothing of the file but the line in hand is held for it.
class Reader
{
public:
    virtual ~Reader() = default;
    // A section that is no problem itself. False leaves its keys unread (a section the caller does
    // not know, already a problem of its own).
    virtual bool section(int line, const QString& name) = 0;
    // A key of the section taken last, or of none before the first section; no key that is a
    // problem comes here.
    virtual void entry(const Entry& entry) = 0;
    virtual void problem(const Problem& problem) = 0;
    // Every problem so far, the file's and the caller's own: at mostProblems the reading stops
    // before the next line, with one more problem that says so.
    virtual int problemCount() const = 0;
};

void read(const QByteArray& bytes, Reader& reader);

struct Document {
    // The first holds the keys that stand before any section, and may be empty. A section that
    // is a problem is not here, nor are its keys, nor a key that is a problem.
    std::vector<Section> sections;
    // In line order; text that is no INI file stops at its line, and so does a file with more
    // problems than anyone reads (a file of another kind), so that it is not held in memory.
    std::vector<Problem> problems;

    const Section* section(const QString& name) const;
};

// The whole file at once, every section taken.
Document parse(const QByteArray& bytes);

} // namespace ini
