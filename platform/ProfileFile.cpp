#include "platform/ProfileFile.h"

#include "platform/RegularFile.h"
#include "platform/SignalWatcher.h"
#include "platform/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace nearbell {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One line of the file. Only section headers and key lines are understood;
// everything else (blank lines, comments, garbage) is carried along as its
// original bytes.
struct Line
{
    enum Kind { Other, Section, Key };
    QByteArray raw; // without the line ending
    Kind kind = Other;
    QString name;   // section or key name, blanks around it removed
    QString value;  // key value, blanks around it removed, quotes kept
};

Line parseLine(const QByteArray &raw)
{
    Line line;
    line.raw = raw;
    const QString decoded = fromWindows1252(raw);
    const QStringView text = trimmedBlanks(decoded);
    if (text.isEmpty() || text.front() == u';')
        return line;
    if (text.front() == u'[') {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return line; // an unfinished header is not a section
        line.kind = Line::Section;
        line.name = trimmedBlanks(text.mid(1, close - 1)).toString();
        return line;
    }
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return line;
    const QStringView name = trimmedBlanks(text.left(equals));
    if (name.isEmpty())
        return line;
    line.kind = Line::Key;
    line.name = name.toString();
    line.value = trimmedBlanks(text.mid(equals + 1)).toString();
    return line;
}

// Splits on LF and drops a CR before it, so CRLF and LF-only files read the
// same. A final line ending does not start another line.
QList<Line> parseLines(const QByteArray &content)
{
    QList<Line> lines;
    qsizetype start = 0;
    // A UTF-8 byte order mark left by an editor must not hide the first header;
    // its bytes stay in the file.
    const bool bom = content.startsWith("\xEF\xBB\xBF");
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        const qsizetype next = end < 0 ? content.size() : end + 1;
        if (end < 0)
            end = content.size();
        qsizetype stop = end;
        if (stop > start && content[stop - 1] == '\r')
            --stop;
        QByteArray raw = content.mid(start, stop - start);
        Line line = parseLine(bom && start == 0 ? raw.mid(3) : raw);
        line.raw = raw;
        lines.append(std::move(line));
        start = next;
    }
    return lines;
}

// The index of the first header of the section, or -1. Later headers of the
// same name are not looked at.
qsizetype findSection(const QList<Line> &lines, QStringView section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section && sameName(lines[i].name, section))
            return i;
    }
    return -1;
}

// The end (exclusive) of the section whose header is at sectionIndex.
qsizetype sectionEnd(const QList<Line> &lines, qsizetype sectionIndex)
{
    qsizetype i = sectionIndex + 1;
    while (i < lines.size() && lines[i].kind != Line::Section)
        ++i;
    return i;
}

qsizetype findKey(const QList<Line> &lines, qsizetype sectionIndex, QStringView key)
{
    const qsizetype end = sectionEnd(lines, sectionIndex);
    for (qsizetype i = sectionIndex + 1; i < end; ++i) {
        if (lines[i].kind == Line::Key && sameName(lines[i].name, key))
            return i;
    }
    return -1;
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && value.front() == value.back()
        && (value.front() == u'"' || value.front() == u'\''))
        return value.mid(1, value.size() - 2);
    return value;
}

bool hasLineBreakOrNull(QStringView text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

// Names and values that would break the line structure if written (a line
// break starting a new section, a key containing "=" that reads back as
// another key) are refused rather than stored in a form that reads back wrong.
bool writable(QStringView section, QStringView key, QStringView value)
{
    const QStringView keyName = trimmedBlanks(key);
    if (hasLineBreakOrNull(section) || section.contains(u']'))
        return false;
    if (keyName.isEmpty() || hasLineBreakOrNull(key) || key.contains(u'=')
        || keyName.front() == u'[' || keyName.front() == u';')
        return false;
    return !hasLineBreakOrNull(value);
}

bool hasWritePermission(const QFileInfo &info)
{
    // The permission bits are checked as well as access, so a file marked
    // read-only stays untouched even for a privileged user.
    const QFileDevice::Permissions writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isWritable() && (info.permissions() & writeBits);
}

bool readAll(const QString &path, QByteArray &content)
{
    QFile file;
    if (!RegularFile::open(file, path))
        return false;
    content = file.readAll();
    return file.error() == QFileDevice::NoError;
}

} // namespace

QString ProfileFile::readString(const QString &path, const QString &section, const QString &key,
                                const QString &defaultValue)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return defaultValue;
    QByteArray content;
    if (!readAll(path, content))
        return defaultValue;
    const QList<Line> lines = parseLines(content);
    const qsizetype sectionIndex = findSection(lines, trimmedBlanks(section));
    if (sectionIndex < 0)
        return defaultValue;
    const qsizetype keyIndex = findKey(lines, sectionIndex, trimmedBlanks(key));
    if (keyIndex < 0)
        return defaultValue;
    return unquoted(lines[keyIndex].value);
}

bool ProfileFile::writeString(const QString &path, const QString &section, const QString &key,
                              const QString &value, QString *failure)
{
    return writeStrings(path, {Entry{section, key, value}}, failure);
}

namespace {

void putEntry(QList<Line> &lines, const QString &sectionName, const QString &keyName, const QString &value)
{
    const qsizetype sectionIndex = findSection(lines, sectionName);
    if (sectionIndex >= 0) {
        const qsizetype keyIndex = findKey(lines, sectionIndex, keyName);
        if (keyIndex >= 0) {
            // The key keeps the spelling it has in the file, and a line that
            // already holds the value stays exactly as the user wrote it.
            Line &line = lines[keyIndex];
            if (line.value == value)
                return;
            line.raw = toWindows1252(QString(line.name + u'=' + value));
            line.value = value;
        } else {
            // After the section's last key, so blank lines and comments that
            // lead into the next section stay in front of it.
            qsizetype insertAt = sectionIndex + 1;
            const qsizetype end = sectionEnd(lines, sectionIndex);
            for (qsizetype i = sectionIndex + 1; i < end; ++i) {
                if (lines[i].kind == Line::Key)
                    insertAt = i + 1;
            }
            lines.insert(insertAt, parseLine(toWindows1252(QString(keyName + u'=' + value))));
        }
    } else {
        if (!lines.isEmpty() && !trimmedBlanks(fromWindows1252(lines.back().raw)).isEmpty())
            lines.append(Line{}); // a blank line between sections
        lines.append(parseLine(toWindows1252(QString(u'[' + sectionName + u']'))));
        lines.append(parseLine(toWindows1252(QString(keyName + u'=' + value))));
    }
}

void removeEntry(QList<Line> &lines, const QString &sectionName, const QString &keyName)
{
    const qsizetype sectionIndex = findSection(lines, sectionName);
    if (sectionIndex < 0)
        return;
    for (qsizetype keyIndex = findKey(lines, sectionIndex, keyName); keyIndex >= 0;
         keyIndex = findKey(lines, sectionIndex, keyName))
        lines.removeAt(keyIndex);
}

// LF only when the file has line ends and every one of them is a bare LF.
QByteArray lineEndOf(const QByteArray &content)
{
    return content.contains('\n') && !content.contains("\r\n") ? QByteArray("\n") : QByteArray("\r\n");
}

} // namespace

bool ProfileFile::writeStrings(const QString &path, const QList<Entry> &entries, QString *failure)
{
    auto fail = [failure](const QString &reason) {
        if (failure)
            *failure = reason;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no file name"));
    for (const Entry &entry : entries) {
        if (!writable(entry.section, entry.key, entry.value))
            return fail(QStringLiteral("the value holds a line break"));
    }

    // A stop request while starting lets this write finish first.
    const SignalWatcher::WriteGuard guard;
    const QFileInfo info(path);
    QByteArray content;
    if (info.exists()) {
        // Whatever cannot be read back in full cannot be rewritten safely.
        if (!info.isFile())
            return fail(QStringLiteral("it is not a regular file"));
        if (!hasWritePermission(info))
            return fail(QStringLiteral("it is read-only"));
        if (!readAll(path, content))
            return fail(QStringLiteral("it cannot be read back"));
    }
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return fail(QStringLiteral("its folder does not exist"));
    if (!hasWritePermission(folder))
        return fail(QStringLiteral("its folder is read-only"));
    QList<Line> lines = parseLines(content);
    for (const Entry &entry : entries) {
        if (entry.remove)
            removeEntry(lines, trimmedBlanks(entry.section).toString(), trimmedBlanks(entry.key).toString());
        else
            putEntry(lines, trimmedBlanks(entry.section).toString(), trimmedBlanks(entry.key).toString(), entry.value);
    }

    const QByteArray lineEnd = lineEndOf(content);
    QByteArray output;
    output.reserve(content.size() + 256);
    for (const Line &line : std::as_const(lines)) {
        output += line.raw;
        output += lineEnd;
    }

    // Writing what is already there (a setting that holds its default is
    // written on every start) leaves the file as it is.
    if (info.exists() && output == content)
        return true;

    // The new text goes to a temporary file beside the old one and replaces
    // it only when completely written.
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // The buffer is flushed and checked here: commit() alone renames a
    // temporary file whose last writes failed (a full disk would leave a
    // truncated settings file).
    if (file.write(output) != output.size() || !file.flush()
        || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

} // namespace nearbell
