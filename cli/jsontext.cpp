#include "jsontext.h"

#include "output.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstring>

namespace cli {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

JsonText::JsonText(const QByteArray& text) : text_(text)
{
    static const QByteArray byteOrderMark("\xEF\xBB\xBF");
    at_ = text.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
}

char JsonText::next()
{
    while (at_ < text_.size() && isBlank(text_.at(at_)))
        ++at_;
    return at_ < text_.size() ? text_.at(at_) : '\0';
}

bool JsonText::fail(const QString& error, int offset)
{
    if (!failed()) {
        error_ = error;
        errorOffset_ = offset < 0 ? at_ : offset;
    }
    return false;
}

bool JsonText::objectNext()
{
    return !failed() && next() == '{';
}

bool JsonText::enter()
{
    if (!objectNext())
        return fail(Cli::tr("an object is missing"));
    ++at_;
    firstKey_.push_back(true);
    return true;
}

bool JsonText::nextKey(QString& key)
{
    if (failed() || firstKey_.empty())
        return false;
    const char c = next();
    if (c == '}') {
        ++at_;
        firstKey_.pop_back();
        return false;
    }
    if (!firstKey_.back()) {
        if (c != ',')
            return fail(Cli::tr("a comma or } is missing"));
        ++at_;
    }
    firstKey_.back() = false;
    int begin = 0;
    int end = 0;
    if (!this->key(begin, end))
        return false;
    key = scalar(text_.mid(begin, end - begin)).toString();
    return true;
}

// A key and its colon.
bool JsonText::key(int& begin, int& end)
{
    if (next() != '"')
        return fail(Cli::tr("a key is missing"));
    begin = at_;
    if (!string())
        return false;
    end = at_;
    if (next() != ':')
        return fail(Cli::tr("a colon is missing after a key"));
    ++at_;
    return true;
}

// Containers are followed with a stack of the brackets that close them rather than by recursion,
// so that no depth of nesting can exhaust the program's stack.
bool JsonText::skip(int* begin, int* end)
{
    if (failed())
        return false;
    next();
    if (begin)
        *begin = at_;
    std::vector<char> closers;
    for (;;) {
        const char c = next();
        if (c == '{' || c == '[') {
            ++at_;
            const char closer = c == '{' ? '}' : ']';
            if (next() != closer) {
                closers.push_back(closer);
                int keyBegin = 0;
                int keyEnd = 0;
                if (closer == '}' && !key(keyBegin, keyEnd))
                    return false;
                continue;
            }
            ++at_;
        } else if (!scalar()) {
            return false;
        }
        // A value is read: what follows closes containers, until a comma asks for another value.
        for (;;) {
            if (closers.empty()) {
                if (end)
                    *end = at_;
                return true;
            }
            const char after = next();
            if (after == closers.back()) {
                ++at_;
                closers.pop_back();
                continue;
            }
            if (after != ',')
                return fail(closers.back() == '}' ? Cli::tr("a comma or } is missing")
                                                  : Cli::tr("a comma or ] is missing"));
            ++at_;
            int keyBegin = 0;
            int keyEnd = 0;
            if (closers.back() == '}' && !key(keyBegin, keyEnd))
                return false;
            break;
        }
    }
}

bool JsonText::atEnd()
{
    if (failed())
        return false;
    next();
    if (at_ < text_.size())
        return fail(Cli::tr("text follows the end of the JSON value"));
    return true;
}

bool JsonText::scalar()
{
    const char c = next();
    if (c == '"')
        return string();
    if (c == '-' || isDigit(c))
        return number();
    for (const char* word : {"true", "false", "null"}) {
        const int length = int(std::strlen(word));
        if (text_.mid(at_, length) == word) {
            at_ += length;
            return true;
        }
    }
    return fail(Cli::tr("a value is missing"));
}

bool JsonText::string()
{
    const int begin = at_++;
    for (;;) {
        if (at_ >= text_.size())
            return fail(Cli::tr("a string is not closed"), begin);
        const char c = text_.at(at_);
        if (c == '"')
            break;
        if (static_cast<unsigned char>(c) < 0x20)
            return fail(Cli::tr("a string holds a control character"));
        if (c != '\\') {
            ++at_;
            continue;
        }
        const char escaped = at_ + 1 < text_.size() ? text_.at(at_ + 1) : '\0';
        if (escaped == 'u') {
            for (int digit = 2; digit < 6; ++digit) {
                if (at_ + digit >= text_.size() || !isHexDigit(text_.at(at_ + digit)))
                    return fail(Cli::tr("an escape sequence is not valid"));
            }
            at_ += 6;
        } else if (escaped != '\0' && std::strchr("\"\\/bfnrt", escaped)) {
            at_ += 2;
        } else {
            return fail(Cli::tr("an escape sequence is not valid"));
        }
    }
    // Bytes that are no UTF-8 decode to U+FFFD, which encodes to other bytes.
    const QByteArray bytes = text_.mid(begin + 1, at_ - begin - 1);
    if (QString::fromUtf8(bytes).toUtf8() != bytes)
        return fail(Cli::tr("a string is not UTF-8"), begin);
    ++at_;
    return true;
}

bool JsonText::number()
{
    const int begin = at_;
    if (text_.at(at_) == '-')
        ++at_;
    // A leading zero stands alone.
    bool wellFormed = true;
    if (at_ < text_.size() && text_.at(at_) == '0')
        ++at_;
    else
        wellFormed = digits();
    if (wellFormed && at_ < text_.size() && text_.at(at_) == '.') {
        ++at_;
        wellFormed = digits();
    }
    if (wellFormed && at_ < text_.size() && (text_.at(at_) == 'e' || text_.at(at_) == 'E')) {
        ++at_;
        if (at_ < text_.size() && (text_.at(at_) == '+' || text_.at(at_) == '-'))
            ++at_;
        wellFormed = digits();
    }
    return wellFormed || fail(Cli::tr("a number is not well formed"), begin);
}

bool JsonText::digits()
{
    const int begin = at_;
    while (at_ < text_.size() && isDigit(text_.at(at_)))
        ++at_;
    return at_ > begin;
}

QJsonValue JsonText::scalar(const QByteArray& bytes)
{
    return QJsonDocument::fromJson('[' + bytes + ']').array().at(0);
}

} // namespace cli
