#include "engine/setup/settingskeys.h"

namespace {

SettingKey control(const char *key, const char *objectName, const QVariant &defaultValue)
{
    return {key, SettingTarget::Control, objectName, defaultValue};
}

SettingKey control(const char *name, const QVariant &defaultValue)
{
    return control(name, name, defaultValue);
}

// A spin box or slider: its value is kept within `minimum` and `maximum`.
SettingKey ranged(const char *name, const QVariant &defaultValue, const QVariant &minimum,
                  const QVariant &maximum)
{
    return {name, SettingTarget::Control, name, defaultValue, minimum, maximum};
}

SettingKey member(const char *key, SettingTarget target, const QVariant &defaultValue)
{
    return {key, target, "", defaultValue};
}

} // namespace

QStringList placementButtonNames(const QString &prefix)
{
    static const char *const cells[]
        = {"topleft", "top", "topright", "left", "center", "right", "botleft", "bot", "botright"};
    QStringList names;
    for (const char *cell : cells)
        names << prefix + QLatin1String(cell) + QLatin1String("_btn");
    return names;
}

QStringList outputFormats()
{
    return {QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("tif"),
            QStringLiteral("webp"), QStringLiteral("avif")};
}

QStringList formatButtonNames()
{
    QStringList names;
    for (const QString &format : outputFormats())
        names << QLatin1String("out") + format + QLatin1String("_radio");
    return names;
}

const QVector<SettingKey> &settingKeys()
{
    static const QVector<SettingKey> keys = {
        control("txt_topleft_btn", true),
        control("txt_top_btn", false),
        control("txt_topright_btn", false),
        control("txt_left_btn", false),
        control("txt_center_btn", false),
        control("txt_right_btn", false),
        control("txt_botleft_btn", false),
        control("txt_bot_btn", false),
        control("txt_botright_btn", false),
        control("logo_topleft_btn", true),
        control("logo_top_btn", false),
        control("logo_topright_btn", false),
        control("logo_left_btn", false),
        control("logo_center_btn", false),
        control("logo_right_btn", false),
        control("logo_botleft_btn", false),
        control("logo_bot_btn", false),
        control("logo_botright_btn", false),
        member("logo_file_name", SettingTarget::LogoFileName, QString()),
        member("font", SettingTarget::WatermarkFont,
               QStringLiteral("Cambria,18,-1,5,50,0,0,0,0,0")),
        control("wtrmark_edit", QStringLiteral("Enter your text here!")),
        member("fnt_clr", SettingTarget::FontColor, colorNumber(Qt::white)),
        ranged("shadow_spin", 15, 0, 1000),
        ranged("x_spin", 0, -99999, 999999),
        ranged("y_spin", 0, -99999, 999999),
        control("top_radio", false),
        control("bottom_radio_radio", "bottom_radio", true),
        control("light_radio", false),
        control("dark_radio", true),
        control("actual_radio", true),
        control("fit_radio", false),
        ranged("scale_spin", 1.0, 0.01, 9.0),
        control("resize_check", true),
        control("aspect_check", false),
        ranged("width_spin", 1920, 10, 99999),
        ranged("height_spin", 1920, 10, 99999),
        ranged("txt_x_spin", 20, -9999, 9999),
        ranged("txt_y_spin", 20, -9999, 9999),
        control("outjpg_radio", true),
        control("outpng_radio", false),
        control("outtif_radio", false),
        control("outwebp_radio", false),
        control("outavif_radio", false),
        ranged("comp_slider", 90, 1, 100),
        member("last_output_folder", SettingTarget::LastOutputFolder, QString()),
        control("keepinfo_check", true),
        control("dropgps_check", true),
        control("noenlarge_check", false),
        // Ticking the box sets the reference to the previewed picture's; the stored one follows.
        control("scalestamp_check", false),
        ranged("referenceside_spin", 1080, 1, 99999),
    };
    return keys;
}

const SettingKey &settingKey(const QString &key)
{
    for (const SettingKey &entry : settingKeys()) {
        if (key == QLatin1String(entry.key))
            return entry;
    }
    qFatal("no settings key %s", qPrintable(key));
}

QVariant storedValue(const SettingKey &entry, const QVariant &stored)
{
    QVariant value = stored;
    // A failed conversion still changes the type and leaves the type's zero value.
    value.convert(entry.defaultValue.userType());
    return value;
}

QString fontDescription(const QFont &font)
{
    return font.toString();
}

QFont fontFromDescription(const QString &description)
{
    QFont font;
    if (!font.fromString(description))
        return QFont();
    return font;
}

quint32 colorNumber(const QColor &color)
{
    return color.rgba();
}

QColor opaqueColorFromNumber(quint32 argb)
{
    return QColor(qRed(argb), qGreen(argb), qBlue(argb));
}
