#include "strictini.h"

#include <QHash>

#include <cstring>

namespace ini {
namespace {

// A line as a problem quotes it.
QString shown(const QString& line)
{
    return QLatin1Char('"') + shortened(line) + QLatin1Char('"');
}

bool isText(const char* line, int length, const QString& decoded)
{
    // Bytes that are no UTF-8 decode to U+FFFD, which encodes to other bytes.
    const QByteArray encoded = decoded.toUtf8();
    if (encoded.size() != length || std::memcmp(encoded.constData(), line, size_t(length)) != 0)
        return false;
    for (const QChar c : decoded) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            return false;
    }
    return true;
}

} // namespace

QString shortened(const QString& text)
{
    constexpr int longest = 60;
    return text.size() > longest ? text.left(longest) + QStringLiteral("...") : text;
}

TextLines::TextLines(const QByteArray& bytes) : bytes_(bytes)
{
    static const QByteArray byteOrderMark("\xEF\xBB\xBF");
    start_ = bytes.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
}

bool TextLines::next(QString& line)
{
    const bool more = start_ < bytes_.size() || (start_ == bytes_.size() && !bytes_.endsWith('\n'));
    if (badLine_ > 0 || !more)
        return false;
    int end = bytes_.indexOf('\n', start_);
    if (end < 0)
        end = bytes_.size();
    const char* bytes = bytes_.constData() + start_;
    int length = end - start_;
    if (length > 0 && bytes[length - 1] == '\r')
        --length;
    start_ = end + 1;
    ++number_;
    line = QString::fromUtf8(bytes, length);
    if (!isText(bytes, length, line)) {
        badLine_ = number_;
        return false;
    }
    return true;
}

QString notReadFurther()
{
    return QStringLiteral("the file is not read past its first %1 problems").arg(mostProblems);
}

const Section* Document::section(const QString& name) const
{
    for (const Section& section : sections) {
        if (section.line > 0 && section.name == name)
            return &section;
    }
    return nullptr;
}

void read(const QByteArray& bytes, Reader& reader)
{
    const auto problem = [&](int line, const QString& text, Problem::Extent extent) {
        reader.problem(Problem{line, text, extent});
    };
    TextLines lines(bytes);
    QHash<QString, int> sectionLines;
    QHash<QString, int> keyLines; // of the section being read
    QString sectionName;
    bool sectionLeftOut = false;
    QString text;
    while (lines.next(text)) {
        const int number = lines.number();
        if (reader.problemCount() >= mostProblems) {
            problem(number, notReadFurther(), Problem::Rest);
            return;
        }
        const QString line = text.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            const auto earlier = sectionLines.constFind(name);
            sectionLeftOut = true;
            keyLines.clear();
            if (!line.endsWith(QLatin1Char(']')))
                problem(number, QStringLiteral("%1 is not closed by ]").arg(shown(line)),
                        Problem::Section);
            else if (name.isEmpty())
                problem(number, QStringLiteral("[] names no section"), Problem::Section);
            else if (earlier != sectionLines.constEnd())
                problem(number,
                        QStringLiteral("section [%1] appears again (first on line %2)")
                            .arg(name, QString::number(*earlier)),
                        Problem::Section);
            else
                sectionLeftOut = false;
            if (!sectionLeftOut) {
                sectionLines.insert(name, number);
                sectionName = name;
                sectionLeftOut = !reader.section(number, name);
            }
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed();
        if (equals < 0) {
            problem(number, QStringLiteral("%1 is no [section] and no key=value").arg(shown(line)),
                    Problem::Line);
            continue;
        }
        if (key.isEmpty()) {
            problem(number, QStringLiteral("%1 has no key before its =").arg(shown(line)),
                    Problem::Line);
            continue;
        }
        if (sectionLeftOut)
            continue;
        const auto earlier = keyLines.constFind(key);
        if (earlier != keyLines.constEnd()) {
            const QString where = sectionLines.isEmpty()
                                      ? shortened(key)
                                      : QStringLiteral("[%1] %2").arg(sectionName, shortened(key));
            problem(number,
                    QStringLiteral("%1 appears again (first on line %2)")
                        .arg(where, QString::number(*earlier)),
                    Problem::Line);
            continue;
        }
        keyLines.insert(key, number);
        reader.entry(Entry{number, key, line.mid(equals + 1).trimmed()});
    }
    if (lines.badLine() > 0)
        problem(lines.badLine(), QString::fromLatin1(notText), Problem::Rest);
}

Document parse(const QByteArray& bytes)
{
    class Collector : public Reader
    {
    public:
        explicit Collector(Document& document) : document_(document)
        {
            document_.sections.push_back(ini::Section{0, QString(), {}});
        }
        bool section(int line, const QString& name) override
        {
            document_.sections.push_back(ini::Section{line, name, {}});
            return true;
        }
        void entry(const Entry& entry) override
        {
            document_.sections.back().entries.push_back(entry);
        }
        void problem(const Problem& problem) override { document_.problems.push_back(problem); }
        int problemCount() const override { return int(document_.problems.size()); }

    private:
        Document& document_;
    };
    Document document;
    Collector collector(document);
    read(bytes, collector);
    return document;
}

} // namespace ini
