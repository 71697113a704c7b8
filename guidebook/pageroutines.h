// The file and text routines of the documentation browser: listing the
// manual's pages, reading a page as text, turning HTML into plain text and
// naming a page in the result list. No window is needed to use them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>

namespace vellum {

// A file that exists could not be read (no permission, an I/O error).
class FileReadError : public std::runtime_error {
public:
    explicit FileReadError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
};

// Appends to `list` the names (without folder) of the entries that match
// `pattern`, a folder path followed by a wildcard name such as "*.htm".
// Every kind of entry counts; the name is matched without regard to letter
// case. Entries come in name order (ignoring case), the order of an NTFS
// directory search. A missing folder adds nothing.
void ListPages(const QString& pattern, QStringList& list);

// The file's lines, each followed by "\r\n" (lines end at CR LF, CR or LF).
// The bytes are Windows-1252 text. A path where no file exists (nothing, or
// a directory) gives the empty text; a file that cannot be read throws
// FileReadError.
QString ReadTextFile(const QString& path);

// Plain text of an HTML page: line breaks for <body>, <hr>, <p> and <br>,
// tags dropped, and only the entities &amp; &quot; &lt; &gt; decoded.
QString HtmlToText(const QString& html);

// The leading run of ASCII letters of a file name, in its own letter case:
// "CreateLink_Internal.htm" gives "CreateLink".
QString DisplayName(const QString& fileName);

// Only A..Z become a..z; every other character stays as it is.
QString LowerAscii(const QString& text);

// Whether `search` occurs in `page`, comparing A..Z and a..z as equal. An
// empty search text occurs nowhere.
bool PageMatches(const QString& page, const QString& search);

// The text that Copy Text puts on the clipboard: the page text with markup
// that the page showed as text turned into line breaks or removed.
QString CopyTextOf(const QString& pageText);

// Windows-1252 bytes to text; every byte maps to one character.
QString DecodeWindows1252(const QByteArray& bytes);

}  // namespace vellum
