#include "engine/setup/settingsstore.h"

#include <QIODevice>
#include <QTemporaryFile>

#include <algorithm>
#include <iterator>
#include <optional>

namespace {

// The value of `c` as a digit in `base` (8 or 16); -1 when it is none.
int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9' ? c - '0'
        : c >= 'a' && c <= 'f'             ? c - 'a' + 10
        : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                           : -1;
    return value < base ? value : -1;
}

// A backslash escape as the toolkit's INI reader takes it: the backslash takes the character after
// it, "\x" all the hexadecimal digits after it, and "\0" to "\7" all the octal digits after them,
// whose number's low 16 bits are the character given. `character` is -1 for the other escapes.
struct Escape
{
    int end;
    int character;
};

Escape escapeAt(const QByteArray &text, int backslash)
{
    const int size = text.size();
    if (backslash + 1 >= size)
        return {size, -1};
    const char kind = text.at(backslash + 1);
    const int base = kind == 'x' ? 16 : digitValue(kind, 8) >= 0 ? 8 : 0;
    if (base == 0)
        return {backslash + 2, -1};
    int end = base == 16 ? backslash + 2 : backslash + 1;
    uint number = 0;
    for (int digit; end < size && (digit = digitValue(text.at(end), base)) >= 0; ++end)
        number = number * uint(base) + uint(digit);
    return {end, int(number & 0xffff)};
}

// Control characters the toolkit writes only as escapes and reads as ordinary characters: one
// that a store's text does not give stands for '@' while the toolkit reads it.
constexpr char standIns[] = "\x01\x02\x03\x04\x05\x06\x07\x08\x0e\x0f\x10\x11\x12\x13\x14\x15"
                            "\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f\x7f";

// `text` with every '@' the toolkit's reader would find in it, written or escaped, replaced by
// `standIn`, so that no value of it can start a serialised form. No when every stand-in is taken.
std::optional<QByteArray> withoutAts(const QByteArray &text, char *standIn)
{
    QByteArray given;
    for (int i = 0; i < text.size(); ++i) {
        given += text.at(i);
        if (text.at(i) == '\\') {
            const Escape escape = escapeAt(text, i);
            if (escape.character >= 0 && escape.character < 0x80)
                given += char(escape.character);
            i = escape.end - 1;
        }
    }
    const char *free = std::find_if(std::begin(standIns), std::end(standIns) - 1,
                                    [&given](char c) { return !given.contains(c); });
    if (free == std::end(standIns) - 1)
        return std::nullopt;
    *standIn = *free;

    QByteArray replaced;
    replaced.reserve(text.size());
    for (int i = 0; i < text.size();) {
        if (text.at(i) == '@') {
            replaced += *standIn;
            ++i;
        } else if (text.at(i) == '\\') {
            const Escape escape = escapeAt(text, i);
            replaced
                += escape.character == '@' ? QByteArray(1, *standIn) : text.mid(i, escape.end - i);
            i = escape.end;
        } else {
            replaced += text.at(i++);
        }
    }
    return replaced;
}

// The string the toolkit gives for `item`, one item of a value ('@' read as `standIn`), when it is
// a plain string: "@@..." stands for a string starting with '@', "@String(...)" for one holding a
// null character. Other forms starting with '@' hold serialised values: nothing then.
std::optional<QString> plainString(QString item, QChar standIn)
{
    item.replace(standIn, QLatin1Char('@'));
    if (!item.startsWith(QLatin1Char('@')))
        return item;
    if (item.startsWith(QLatin1String("@@")))
        return item.mid(1);
    if (item.startsWith(QLatin1String("@String(")) && item.endsWith(QLatin1Char(')')))
        return item.mid(8, item.size() - 9);
    return std::nullopt;
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
    char standIn = 0;
    const std::optional<QByteArray> safeText = withoutAts(text, &standIn);
    QTemporaryFile file;
    if (!safeText || !file.open() || file.write(*safeText) != safeText->size() || !file.flush())
        return {};
    const QSettings toolkit(file.fileName(), QSettings::IniFormat);
    if (wellFormed)
        *wellFormed = toolkit.status() != QSettings::FormatError;
    QSettings::SettingsMap settings;
    const QStringList keys = toolkit.allKeys();
    for (const QString &key : keys) {
        const QVariant value = toolkit.value(key);
        QStringList strings;
        const QStringList items = value.toStringList();
        for (const QString &item : items) {
            const std::optional<QString> string = plainString(item, QLatin1Char(standIn));
            if (!string)
                break;
            strings << *string;
        }
        if (strings.size() < items.size())
            continue;
        const QString plainKey = QString(key).replace(QLatin1Char(standIn), QLatin1Char('@'));
        settings.insert(plainKey,
                        value.userType() == QMetaType::QString ? QVariant(strings.value(0))
                                                               : QVariant(strings));
    }
    return settings;
}

bool settingsText(const QSettings::SettingsMap &settings, QByteArray *text)
{
    QTemporaryFile file;
    if (!file.open())
        return false;
    {
        QSettings toolkit(file.fileName(), QSettings::IniFormat);
        for (auto entry = settings.cbegin(); entry != settings.cend(); ++entry)
            toolkit.setValue(entry.key(), entry.value());
        toolkit.sync();
        if (toolkit.status() != QSettings::NoError)
            return false;
    }
    // The toolkit writes a new file in the old one's place.
    QFile written(file.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return false;
    *text = written.readAll();
    return true;
}
