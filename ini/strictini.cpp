#include "strictini.h"

#include <map>

namespace ini {
namespace {

// A line as a problem quotes it.
QString shown(const QString& line)
{
    return QLatin1Char('"') + shortened(line) + QLatin1Char('"');
}

bool isText(const QByteArray& line, const QString& decoded)
{
    // Bytes that are no UTF-8 decode to U+FFFD, which encodes to other bytes.
    if (decoded.toUtf8() != line)
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
    QByteArray bytes = bytes_.mid(start_, end - start_);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    start_ = end + 1;
    ++number_;
    line = QString::fromUtf8(bytes);
    if (!isText(bytes, line)) {
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

Document parse(const QByteArray& bytes)
{
    Document document;
    document.sections.push_back(Section{0, QString(), {}});
    const auto problem = [&](int line, const QString& text, Problem::Extent extent) {
        document.problems.push_back(Problem{line, text, extent});
    };
    TextLines lines(bytes);
    std::map<QString, int> sectionLines;
    std::map<QString, int> keyLines; // of the section being read
    bool sectionLeftOut = false;
    QString text;
    while (lines.next(text)) {
        const int number = lines.number();
        if (int(document.problems.size()) >= mostProblems) {
            problem(number, notReadFurther(), Problem::Rest);
            return document;
        }
        const QString line = text.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            const auto earlier = sectionLines.find(name);
            sectionLeftOut = true;
            if (!line.endsWith(QLatin1Char(']')))
                problem(number, QStringLiteral("%1 is not closed by ]").arg(shown(line)),
                        Problem::Section);
            else if (name.isEmpty())
                problem(number, QStringLiteral("[] names no section"), Problem::Section);
            else if (earlier != sectionLines.end())
                problem(number,
                        QStringLiteral("section [%1] appears again (first on line %2)")
                            .arg(name)
                            .arg(earlier->second),
                        Problem::Section);
            else
                sectionLeftOut = false;
            if (!sectionLeftOut) {
                sectionLines[name] = number;
                keyLines.clear();
                document.sections.push_back(Section{number, name, {}});
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
        Section& section = document.sections.back();
        const auto earlier = keyLines.find(key);
        if (earlier != keyLines.end()) {
            const QString where =
                section.line > 0 ? QStringLiteral("[%1] %2").arg(section.name, key) : key;
            problem(number,
                    QStringLiteral("%1 appears again (first on line %2)")
                        .arg(where)
                        .arg(earlier->second),
                    Problem::Line);
            continue;
        }
        keyLines[key] = number;
        section.entries.push_back(Entry{number, key, line.mid(equals + 1).trimmed()});
    }
    if (lines.badLine() > 0)
        problem(lines.badLine(), QString::fromLatin1(notText), Problem::Rest);
    return document;
}

} // namespace ini
