#ifndef TESSARO_SETTINGSKEYS_H
#define TESSARO_SETTINGSKEYS_H

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// What a settings key restores: the state of a control, or one of the window's own members.
enum class SettingTarget { Control, LogoFileName, WatermarkFont, FontColor, LastOutputFolder };

// One key of the settings store. The default's type is the type the key is stored and read as.
struct SettingKey
{
    const char *key;
    SettingTarget target;
    const char *objectName; // the control whose state the key holds; empty for members
    QVariant defaultValue;
    // The range of the control's value (of the key's type); null for keys without one.
    QVariant minimum = {};
    QVariant maximum = {};
};

// The object names, which are also the settings keys, of the nine position buttons of a group:
// `prefix` ("txt_" or "logo_") + cell + "_btn", in reading order.
QStringList placementButtonNames(const QString &prefix);

// The formats a run writes, "jpg", "png", "tif", "webp" and "avif", and the names, which are also
// the settings keys, of their buttons ("out" + format + "_radio") in the same order.
QStringList outputFormats();
QStringList formatButtonNames();

// Every key of the store, in the order they are read.
const QVector<SettingKey> &settingKeys();

// The entry of `key` in the table; a key the table lacks is a programming error.
const SettingKey &settingKey(const QString &key);

// `stored` converted with the toolkit's conversion to the key's type; a value that does not
// convert gives that type's zero value (0, 0.0, an empty string).
QVariant storedValue(const SettingKey &entry, const QVariant &stored);

// The font as the toolkit's ten-field description ("Cambria,18,-1,5,50,0,0,0,0,0") and back;
// a description the toolkit rejects gives the toolkit's default font.
QString fontDescription(const QFont &font);
QFont fontFromDescription(const QString &description);

// The colour as one ARGB number, alpha in the highest byte, and back. Reading drops the alpha:
// the text colour is always fully opaque.
quint32 colorNumber(const QColor &color);
QColor opaqueColorFromNumber(quint32 argb);

#endif // TESSARO_SETTINGSKEYS_H
