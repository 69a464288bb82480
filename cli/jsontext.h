// A JSON text read in one pass, its syntax checked on the way, without a document built of it: a
// reader that has seen enough stops where it is, and a text of any size costs little more memory
// than itself.
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <vector>

namespace cli {

class JsonText
{
public:
    explicit JsonText(const QByteArray& text);
    JsonText(QByteArray&&) = delete; // reads the bytes where they stand

    // Whether the next value is an object.
    bool objectNext();
    // Steps into the object that comes next.
    bool enter();
    // The next key of the object stepped into last, with its colon passed. False at the object's
    // end, which it steps out of, and at a syntax error.
    bool nextKey(QString& key);
    // Passes over the next value, whatever it holds, checking it; its bytes from begin to end.
    bool skip(int* begin = nullptr, int* end = nullptr);
    // Whether nothing but blanks is left after the value read; if something is, that is the error.
    bool atEnd();

    const QByteArray& text() const { return text_; }
    // A scalar's bytes as skip() gave them, decoded; the value itself for a string, a number, true,
    // false or null.
    static QJsonValue scalar(const QByteArray& bytes);

    // The first syntax error, and the offset of the byte where it was found; nothing is read after
    // it.
    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }
    int errorOffset() const { return errorOffset_; }

private:
    char next(); // the byte after blanks, without passing it; 0 at the end
    bool fail(const QString& error, int offset = -1);
    bool key(int& begin, int& end);
    bool scalar();
    bool string();
    bool number();
    bool digits();

    const QByteArray& text_;
    int at_ = 0;
    std::vector<bool> firstKey_; // for each object stepped into: no key read yet
    QString error_;
    int errorOffset_ = -1;
};

} // namespace cli
