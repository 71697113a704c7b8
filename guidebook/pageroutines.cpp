#include "pageroutines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace vellum {
namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// Windows-1252 bytes 0x80..0x9F; the five unassigned ones keep their C1
// control code, as the system's own conversion does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar LowerAsciiChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + (u'a' - u'A'))) : c;
}

bool IsAsciiLetter(QChar c) {
    const char16_t u = LowerAsciiChar(c).unicode();
    return u >= u'a' && u <= u'z';
}

// Position of `needle` in `text` from `from` on, A..Z matching a..z; -1 if absent.
qsizetype IndexOfAsciiNoCase(const QString& text, const QString& needle, qsizetype from) {
    const qsizetype last = text.size() - needle.size();
    for (qsizetype i = from; i <= last; ++i) {
        qsizetype j = 0;
        while (j < needle.size() && LowerAsciiChar(text[i + j]) == LowerAsciiChar(needle[j]))
            ++j;
        if (j == needle.size())
            return i;
    }
    return -1;
}

// Every occurrence, left to right; replaced text is not searched again.
QString ReplaceAllAsciiNoCase(const QString& text, const QString& from, const QString& to) {
    QString result;
    result.reserve(text.size());
    qsizetype start = 0;
    for (qsizetype hit = IndexOfAsciiNoCase(text, from, 0); hit >= 0;
         hit = IndexOfAsciiNoCase(text, from, start)) {
        result += QStringView(text).mid(start, hit - start);
        result += to;
        start = hit + from.size();
    }
    result += QStringView(text).mid(start);
    return result;
}

QString StripTags(const QString& text) {
    QString result;
    result.reserve(text.size());
    bool outside = true;
    for (const QChar c : text) {
        if (c == u'<')
            outside = false;
        else if (c == u'>')
            outside = true;
        if (outside && c != u'>')
            result += c;
    }
    return result;
}

}  // namespace

QString DecodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kHighControls[b - 0x80]) : QChar(char16_t(b));
    }
    return text;
}

void ListPages(const QString& pattern, QStringList& list) {
    const QFileInfo where(pattern);
    QDir folder(where.path());
    if (!folder.exists())
        return;
    folder.setNameFilters({where.fileName()});
    folder.setFilter(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    list += folder.entryList();
}

QString ReadTextFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        throw FileReadError(QStringLiteral("Cannot open file \"%1\". %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QString raw = DecodeWindows1252(bytes);
    QString text;
    text.reserve(raw.size() + raw.size() / 16 + 2);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == u'\r') {
            text += kLineEnd;
            if (i + 1 < raw.size() && raw[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            text += kLineEnd;
        } else {
            text += c;
        }
    }
    if (!raw.isEmpty() && !raw.endsWith(u'\r') && !raw.endsWith(u'\n'))
        text += kLineEnd;
    return text;
}

QString HtmlToText(const QString& html) {
    QString text = html;
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("<body>"), QStringLiteral("<body>\r\n"));
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("&amp;"), QStringLiteral("&"));
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("&quot;"), QStringLiteral("\""));
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("<hr>"), kLineEnd);
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("<p>"), kLineEnd);
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("<br>"), kLineEnd);
    text = StripTags(text);
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("&lt;"), QStringLiteral("<"));
    text = ReplaceAllAsciiNoCase(text, QStringLiteral("&gt;"), QStringLiteral(">"));
    return text;
}

QString DisplayName(const QString& fileName) {
    qsizetype length = 0;
    while (length < fileName.size() && IsAsciiLetter(fileName[length]))
        ++length;
    return fileName.left(length);
}

QString LowerAscii(const QString& text) {
    QString lower = text;
    for (QChar& c : lower)
        c = LowerAsciiChar(c);
    return lower;
}

bool PageMatches(const QString& page, const QString& search) {
    if (search.isEmpty())
        return false;
    return LowerAscii(page).contains(LowerAscii(search), Qt::CaseSensitive);
}

QString CopyTextOf(const QString& pageText) {
    QString text = pageText;
    for (const char* tag : {"<html>", "<head>", "<title>", "<body>", "<H3>", "<PRE>", "</html>", "</head>"})
        text.remove(QLatin1String(tag), Qt::CaseSensitive);
    text.replace(QLatin1String("</title>"), kLineEnd, Qt::CaseSensitive);
    text.remove(QLatin1String("</body>"), Qt::CaseSensitive);
    for (const char* tag : {"</H3>", "</PRE>", "<p>", "<hr>"})
        text.replace(QLatin1String(tag), kLineEnd, Qt::CaseSensitive);
    return text;
}

}  // namespace vellum
