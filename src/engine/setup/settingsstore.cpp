#include "engine/setup/settingsstore.h"

#include <QIODevice>

#include <optional>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

// One logical line of the file: where it starts and ends, and where its first '=' outside
// quotes is (-1 for none).
struct IniLine
{
    int start = 0;
    int end = 0;
    int equals = -1;
};

// Reads the line starting at `*position` and moves past it. Blank lines and comment lines (from
// ';') are skipped; a quoted value and a backslash before a line break carry the line on.
bool readLine(const QByteArray &text, int *position, IniLine *line)
{
    const int size = text.size();
    int i = *position;
    for (;;) {
        while (i < size && (isBlank(text.at(i)) || isLineBreak(text.at(i))))
            ++i;
        if (i >= size || text.at(i) != ';')
            break;
        while (i < size && !isLineBreak(text.at(i)))
            ++i;
    }
    line->start = i;
    line->equals = -1;
    bool inQuotes = false;
    while (i < size) {
        const char c = text.at(i);
        if (c == '=' && !inQuotes && line->equals < 0) {
            line->equals = i;
        } else if ((isLineBreak(c) || c == ';') && !inQuotes) {
            break;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == '\\' && i + 1 < size) {
            ++i;
            // \n, \r, \r\n and \n\r all end a line.
            if (i + 1 < size && isLineBreak(text.at(i)) && isLineBreak(text.at(i + 1))
                && text.at(i) != text.at(i + 1))
                ++i;
        }
        ++i;
    }
    line->end = i;
    *position = i;
    return line->end > line->start;
}

// A key as the file spells it: '\' for '/', "%XX" and "%UXXXX" for other characters.
QString unescapedKey(const QByteArray &text)
{
    QString key;
    for (int i = 0; i < text.size();) {
        const char c = text.at(i);
        if (c == '\\') {
            key += QLatin1Char('/');
            ++i;
            continue;
        }
        const int digits = i + 1 < text.size() && text.at(i + 1) == 'U' ? 4 : 2;
        const int first = i + 1 + (digits == 4 ? 1 : 0);
        bool ok = false;
        const ushort code = c == '%' && first + digits <= text.size()
            ? text.mid(first, digits).toUShort(&ok, 16)
            : 0;
        if (ok) {
            key += QChar(code);
            i = first + digits;
        } else {
            key += QLatin1Char(c);
            ++i;
        }
    }
    return key;
}

QByteArray escapedKey(const QString &key)
{
    QByteArray text;
    for (const QChar c : key) {
        const ushort code = c.unicode();
        if (c == QLatin1Char('/'))
            text += '\\';
        else if ((code < 0x80 && c.isLetterOrNumber()) || c == QLatin1Char('_')
                 || c == QLatin1Char('-') || c == QLatin1Char('.'))
            text += char(code);
        else if (code <= 0xff)
            text += '%' + QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
        else
            text += "%U" + QByteArray::number(code, 16).toUpper().rightJustified(4, '0');
    }
    return text;
}

// The escapes of a value besides \x (hexadecimal) and \0 to \7 (octal).
char escapedCharacter(char code)
{
    switch (code) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case '"':
    case '?':
    case '\'':
    case '\\':
        return code;
    default:
        return 0;
    }
}

// The value of `c` as a digit in `base` (8 or 16); -1 when it is none.
int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'             ? c - 'a' + 10
        : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                           : -1;
    return value < base ? value : -1;
}

void chopTrailingBlanks(QString *text, int limit)
{
    int end = text->size();
    while (end > limit
           && (text->at(end - 1) == QLatin1Char(' ') || text->at(end - 1) == QLatin1Char('\t')))
        --end;
    text->truncate(end);
}

// The strings of a value's text: one, or the items of a list when unquoted commas separate
// them. Bytes stand for the Latin-1 characters; quotes keep blanks and commas; blanks around
// unquoted items are dropped.
QStringList unescapedStrings(const QByteArray &text)
{
    QStringList items;
    QString current;
    bool inQuotes = false;
    bool currentQuoted = false;
    int chopLimit = 0;
    int i = 0;
    const int size = text.size();
    const auto skipBlanks = [&] {
        while (i < size && isBlank(text.at(i)))
            ++i;
        chopLimit = current.size();
    };
    // The character of the digits at `i` in `base`, as many as there are.
    const auto readCode = [&](int base) {
        uint code = 0;
        int digits = 0;
        for (int digit; i < size && (digit = digitValue(text.at(i), base)) >= 0; ++i, ++digits)
            code = code * uint(base) + uint(digit);
        return digits > 0 ? std::optional<QChar>(QChar(ushort(code))) : std::nullopt;
    };
    skipBlanks();
    while (i < size) {
        const char c = text.at(i);
        if (c == '\\') {
            if (++i >= size)
                break;
            const char code = text.at(i++);
            if (const char plain = escapedCharacter(code)) {
                current += QLatin1Char(plain);
            } else if (code == 'x') {
                if (const std::optional<QChar> character = readCode(16))
                    current += *character;
            } else if (digitValue(code, 8) >= 0) {
                --i;
                current += *readCode(8);
            } else if (isLineBreak(code) && i < size && isLineBreak(text.at(i))
                       && text.at(i) != code) {
                ++i;
            }
            chopLimit = current.size();
        } else if (c == '"') {
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (c == ',' && !inQuotes) {
            if (!currentQuoted)
                chopTrailingBlanks(&current, chopLimit);
            items << current;
            current.clear();
            currentQuoted = false;
            ++i;
            skipBlanks();
        } else {
            int end = i + 1;
            while (end < size && text.at(end) != '\\' && text.at(end) != '"' && text.at(end) != ',')
                ++end;
            current += QString::fromLatin1(text.constData() + i, end - i);
            i = end;
        }
    }
    if (!currentQuoted)
        chopTrailingBlanks(&current, chopLimit);
    items << current;
    return items;
}

// A string as the toolkit stores it, when it is a plain string: "@@..." for a string starting
// with '@', "@String(...)" for one holding a null character. Other forms starting with '@' hold
// serialised values, which are not read.
std::optional<QString> plainString(const QString &stored)
{
    if (!stored.startsWith(QLatin1Char('@')))
        return stored;
    if (stored.startsWith(QLatin1String("@@")))
        return stored.mid(1);
    if (stored.startsWith(QLatin1String("@String(")) && stored.endsWith(QLatin1Char(')')))
        return stored.mid(8, stored.size() - 9);
    return std::nullopt;
}

// A value's text as a string or a list of strings; nothing when a part of it is serialised.
std::optional<QVariant> valueOfText(const QByteArray &text)
{
    const QStringList items = unescapedStrings(text);
    QStringList strings;
    for (const QString &item : items) {
        const std::optional<QString> string = plainString(item);
        if (!string)
            return std::nullopt;
        strings << *string;
    }
    if (strings.size() == 1)
        return QVariant(strings.constFirst());
    return QVariant(strings);
}

// The section of a "[name]" line as a key prefix: empty for [General], else "name/".
QString sectionPrefix(const QByteArray &line)
{
    const int close = line.indexOf(']');
    const QByteArray name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return QString();
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.mid(1)) + QLatin1Char('/');
    return unescapedKey(name) + QLatin1Char('/');
}

QByteArray escapedString(const QString &string)
{
    QByteArray text;
    bool needsQuotes = false;
    bool escapeNextIfHexDigit = false;
    for (const QChar c : string) {
        const ushort code = c.unicode();
        if (code == ';' || code == ',' || code == '=')
            needsQuotes = true;
        if (escapeNextIfHexDigit && code < 0x80 && digitValue(char(code), 16) >= 0) {
            text += "\\x" + QByteArray::number(code, 16);
            continue;
        }
        escapeNextIfHexDigit = false;
        switch (code) {
        case '\0':
            text += "\\0";
            escapeNextIfHexDigit = true;
            break;
        case '\a':
            text += "\\a";
            break;
        case '\b':
            text += "\\b";
            break;
        case '\f':
            text += "\\f";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\v':
            text += "\\v";
            break;
        case '"':
        case '\\':
            text += '\\';
            text += char(code);
            break;
        default:
            if (code <= 0x1f || code >= 0x7f) {
                text += "\\x" + QByteArray::number(code, 16);
                escapeNextIfHexDigit = true;
            } else {
                text += char(code);
            }
        }
    }
    if (needsQuotes || text.startsWith(' ') || text.endsWith(' '))
        return '"' + text + '"';
    return text;
}

// A value as the toolkit writes a string, number or boolean; nothing for other values.
std::optional<QByteArray> escapedValue(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
    case QMetaType::Double: {
        const QString string = value.toString();
        if (string.contains(QChar::Null))
            return escapedString(QLatin1String("@String(") + string + QLatin1Char(')'));
        if (string.startsWith(QLatin1Char('@')))
            return escapedString(QLatin1Char('@') + string);
        return escapedString(string);
    }
    default:
        return std::nullopt;
    }
}

// A list as the toolkit writes it: its items separated by ", ", "@Invalid()" when empty.
std::optional<QByteArray> escapedList(const QVariantList &items)
{
    if (items.isEmpty())
        return QByteArray("@Invalid()");
    QByteArrayList texts;
    for (const QVariant &item : items) {
        const std::optional<QByteArray> text = escapedValue(item);
        if (!text)
            return std::nullopt;
        texts << *text;
    }
    return texts.join(", ");
}

bool readStore(QIODevice &device, QSettings::SettingsMap &settings)
{
    bool wellFormed = true;
    settings = settingsFromText(device.readAll(), &wellFormed);
    return wellFormed;
}

bool writeStore(QIODevice &device, const QSettings::SettingsMap &settings)
{
    QByteArray text;
    return settingsText(settings, &text) && device.write(text) == text.size();
}

} // namespace

QSettings *openSettingsStore(QObject *parent)
{
    return new QSettings(settingsStoreFormat(), QSettings::UserScope, QStringLiteral("Korvath"),
                         QStringLiteral("Tessaro"), parent);
}

QSettings *openSettingsFile(const QString &path, QObject *parent)
{
    return new QSettings(path, settingsStoreFormat(), parent);
}

QSettings::Format settingsStoreFormat()
{
    static const QSettings::Format format
        = QSettings::registerFormat(QStringLiteral("conf"), &readStore, &writeStore);
    return format;
}

QSettings::SettingsMap settingsFromText(const QByteArray &text, bool *wellFormed)
{
    if (wellFormed)
        *wellFormed = true;
    const auto malformed = [wellFormed] {
        if (wellFormed)
            *wellFormed = false;
    };
    QSettings::SettingsMap settings;
    QString prefix;
    int position = text.startsWith("\xef\xbb\xbf") ? 3 : 0;
    IniLine line;
    while (readLine(text, &position, &line)) {
        const QByteArray content = text.mid(line.start, line.end - line.start);
        if (content.startsWith('[')) {
            if (!content.contains(']'))
                malformed();
            prefix = sectionPrefix(content);
            continue;
        }
        if (line.equals < 0) {
            if (!content.trimmed().isEmpty())
                malformed();
            continue;
        }
        int keyEnd = line.equals;
        while (keyEnd > line.start && isBlank(text.at(keyEnd - 1)))
            --keyEnd;
        const QString key = prefix + unescapedKey(text.mid(line.start, keyEnd - line.start));
        const std::optional<QVariant> value
            = valueOfText(text.mid(line.equals + 1, line.end - line.equals - 1));
        if (value)
            settings.insert(key, *value);
        else
            settings.remove(key);
    }
    return settings;
}

bool settingsText(const QSettings::SettingsMap &settings, QByteArray *text)
{
    // The keys of each section, the top level ([General]) first.
    QMap<QString, QByteArrayList> sections;
    for (auto entry = settings.cbegin(); entry != settings.cend(); ++entry) {
        const int slash = entry.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : entry.key().left(slash);
        const QVariant &value = entry.value();
        const bool isList = value.userType() == QMetaType::QStringList
            || (value.userType() == QMetaType::QVariantList && value.toList().size() != 1);
        const std::optional<QByteArray> valueText
            = isList ? escapedList(value.toList()) : escapedValue(value);
        if (!valueText)
            return false;
        sections[section] << escapedKey(entry.key().mid(slash + 1)) + '=' + *valueText;
    }
    text->clear();
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        if (!text->isEmpty())
            *text += '\n';
        const QByteArray name = escapedKey(section.key());
        if (name.isEmpty())
            *text += "[General]\n";
        else if (name.compare("general", Qt::CaseInsensitive) == 0)
            *text += "[%General]\n";
        else
            *text += '[' + name + "]\n";
        for (const QByteArray &line : section.value())
            *text += line + '\n';
    }
    return true;
}
