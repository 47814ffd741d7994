#include "cli/setupoptions.h"

#include "engine/setup/settingskeys.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QRegularExpression>

#include <optional>

namespace {

using SettingsMap = QSettings::SettingsMap;

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(SetupOptions)
};

// "a, b or c".
QString alternatives(const QStringList &words)
{
    if (words.size() < 2)
        return words.join(QString());
    return Texts::tr("%1 or %2")
        .arg(words.mid(0, words.size() - 1).join(QStringLiteral(", ")), words.last());
}

// "from MIN to MAX", the range of the control behind `key`.
QString rangeText(const QString &key)
{
    const SettingKey &entry = settingKey(key);
    return Texts::tr("from %1 to %2").arg(entry.minimum.toString(), entry.maximum.toString());
}

// The whole number `text` holds when it lies in the range of `key`.
std::optional<int> wholeNumberIn(const QString &text, const QString &key)
{
    const SettingKey &entry = settingKey(key);
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < entry.minimum.toInt() || number > entry.maximum.toInt())
        return std::nullopt;
    return number;
}

SettingsMap refused(QString *problem, const QString &name, const QString &expected,
                    const QString &value)
{
    *problem = Texts::tr("--%1 must be %2, not '%3'.").arg(name, expected, value);
    return {};
}

// An option without a value that sets `values`.
SetupOption switchOption(const QString &name, const QString &description, const SettingsMap &values)
{
    return {name, QString(), description, values.keys(),
            [values](const QString &, QString *) { return values; }};
}

// `option`, which cannot be given with `opposite`.
SetupOption contradicting(SetupOption option, const QString &opposite)
{
    option.excludes = opposite;
    return option;
}

// One of `choices` checks the button of `keys` at the same place and unchecks the others.
SetupOption choiceOption(const QString &name, const QString &valueName, const QString &description,
                         const QStringList &choices, const QStringList &keys)
{
    return {name, valueName, description, keys,
            [name, choices, keys](const QString &value, QString *problem) {
                const int chosen = choices.indexOf(value);
                if (chosen < 0)
                    return refused(problem, name, alternatives(choices), value);
                SettingsMap values;
                for (int i = 0; i < keys.size(); ++i)
                    values.insert(keys.at(i), i == chosen);
                return values;
            }};
}

// A whole number for `key`; `alongside` is set with it.
SetupOption wholeNumberOption(const QString &name, const QString &valueName,
                              const QString &description, const QString &key,
                              const SettingsMap &alongside = {})
{
    return {name, valueName, description, QStringList {key} + alongside.keys(),
            [=](const QString &value, QString *problem) {
                const std::optional<int> number = wholeNumberIn(value, key);
                if (!number)
                    return refused(problem, name,
                                   Texts::tr("a whole number %1").arg(rangeText(key)), value);
                SettingsMap values = alongside;
                values.insert(key, *number);
                return values;
            }};
}

// Two whole numbers joined by `separator` (a letter in either case), for `firstKey` and
// `secondKey`, which share one range; `alongside` is set with them.
SetupOption pairOption(const QString &name, const QString &valueName, QChar separator,
                       const QString &description, const QString &firstKey,
                       const QString &secondKey, const SettingsMap &alongside = {})
{
    return {name, valueName, description, QStringList {firstKey, secondKey} + alongside.keys(),
            [=](const QString &value, QString *problem) {
                const QStringList parts = value.toLower().split(separator);
                const std::optional<int> first = wholeNumberIn(parts.value(0), firstKey);
                const std::optional<int> second = wholeNumberIn(parts.value(1), secondKey);
                if (parts.size() != 2 || !first || !second)
                    return refused(
                        problem, name,
                        Texts::tr("%1, two whole numbers %2").arg(valueName, rangeText(firstKey)),
                        value);
                SettingsMap values = alongside;
                values.insert(firstKey, *first);
                values.insert(secondKey, *second);
                return values;
            }};
}

SetupOption logoScaleOption()
{
    const QString key = QStringLiteral("scale_spin");
    const SettingKey &entry = settingKey(key);
    return {QStringLiteral("logo-scale"),
            QStringLiteral("FACTOR"),
            Texts::tr("Draw the logo at <FACTOR> times its size, %1 (two decimals).")
                .arg(rangeText(key)),
            {key},
            [key, entry](const QString &value, QString *problem) {
                bool ok = false;
                const double scale = value.toDouble(&ok);
                // Written so that NaN fails too.
                if (!ok
                    || !(scale >= entry.minimum.toDouble() && scale <= entry.maximum.toDouble()))
                    return refused(problem, QStringLiteral("logo-scale"),
                                   Texts::tr("a number %1").arg(rangeText(key)), value);
                return SettingsMap {{key, scale}};
            }};
}

// The font "FAMILY,SIZE[,bold][,italic]" names, SIZE in points, each style at most once.
std::optional<QFont> fontOfOption(const QString &value)
{
    const QStringList fields = value.split(QLatin1Char(','));
    if (fields.size() < 2 || fields.size() > 4)
        return std::nullopt;
    const QString family = fields.at(0).trimmed();
    bool ok = false;
    const double size = fields.at(1).trimmed().toDouble(&ok);
    if (family.isEmpty() || !ok || !(size >= 1 && size <= 1000))
        return std::nullopt;
    QFont font(family);
    font.setPointSizeF(size);
    QStringList styles;
    for (const QString &field : fields.mid(2))
        styles << field.trimmed().toLower();
    for (const QString &style : styles) {
        if (styles.count(style) > 1)
            return std::nullopt;
        if (style == QLatin1String("bold"))
            font.setWeight(QFont::Bold);
        else if (style == QLatin1String("italic"))
            font.setItalic(true);
        else
            return std::nullopt;
    }
    return font;
}

SetupOption fontOption()
{
    const QString key = QStringLiteral("font");
    return {QStringLiteral("font"),
            QStringLiteral("FONT"),
            Texts::tr("The text's font: FAMILY,SIZE[,bold][,italic], the size in points from 1 "
                      "to 1000, as \"DejaVu Sans,24,bold\"."),
            {key},
            [key](const QString &value, QString *problem) {
                const std::optional<QFont> font = fontOfOption(value);
                if (!font)
                    return refused(problem, key,
                                   Texts::tr("FAMILY,SIZE[,bold][,italic] with a size from 1 to "
                                             "1000 points"),
                                   value);
                return SettingsMap {{key, fontDescription(*font)}};
            }};
}

SetupOption colorOption()
{
    const QString key = QStringLiteral("fnt_clr");
    return {QStringLiteral("color"),
            QStringLiteral("#RRGGBB"),
            Texts::tr("The text's colour, in hexadecimal (quote it in a shell, or leave out the "
                      "#)."),
            {key},
            [key](const QString &value, QString *problem) {
                static const QRegularExpression hexadecimal(QStringLiteral("^#?([0-9A-Fa-f]{6})$"));
                const QRegularExpressionMatch match = hexadecimal.match(value);
                if (!match.hasMatch())
                    return refused(problem, QStringLiteral("color"), QStringLiteral("#RRGGBB"),
                                   value);
                const QRgb rgb = match.captured(1).toUInt(nullptr, 16);
                return SettingsMap {{key, colorNumber(QColor(rgb))}};
            }};
}

SetupOption logoOption()
{
    const QString key = QStringLiteral("logo_file_name");
    return {QStringLiteral("logo"),
            QStringLiteral("FILE"),
            Texts::tr("Stamp the logo in <FILE>."),
            {key},
            [key](const QString &value, QString *problem) {
                if (value.isEmpty())
                    return refused(problem, QStringLiteral("logo"), Texts::tr("a file"), value);
                // A preset made from the options must name the same file from anywhere.
                return SettingsMap {{key, QFileInfo(value).absoluteFilePath()}};
            }};
}

// --band none takes the band's height to 0; dark and light choose its tone.
SetupOption bandOption()
{
    const QStringList tones
        = {QStringLiteral("dark"), QStringLiteral("light"), QStringLiteral("none")};
    const QString height = QStringLiteral("shadow_spin");
    const QString light = QStringLiteral("light_radio");
    const QString dark = QStringLiteral("dark_radio");
    return {QStringLiteral("band"),
            QStringLiteral("dark|light|none"),
            Texts::tr("Darken or lighten a band of rows along an edge, behind the text; none: no "
                      "band (its height 0)."),
            {light, dark, height},
            [=](const QString &value, QString *problem) {
                if (!tones.contains(value))
                    return refused(problem, QStringLiteral("band"), alternatives(tones), value);
                if (value == QLatin1String("none"))
                    return SettingsMap {{height, 0}};
                const bool isLight = value == QLatin1String("light");
                return SettingsMap {{light, isLight}, {dark, !isLight}};
            }};
}

SetupOption metadataOption()
{
    const QString key = QStringLiteral("keepinfo_check");
    const QStringList choices = {QStringLiteral("keep"), QStringLiteral("strip")};
    return {QStringLiteral("metadata"),
            choices.join(QLatin1Char('|')),
            Texts::tr("keep: carry the photo information (camera, date, copyright) over, "
                      "which an avif file cannot hold (each picture's line then says so); "
                      "strip: write none."),
            {key},
            [key, choices](const QString &value, QString *problem) {
                if (!choices.contains(value))
                    return refused(problem, QStringLiteral("metadata"), alternatives(choices),
                                   value);
                return SettingsMap {{key, value == choices.first()}};
            }};
}

const QStringList placeNames
    = {QStringLiteral("top-left"),    QStringLiteral("top"),    QStringLiteral("top-right"),
       QStringLiteral("left"),        QStringLiteral("center"), QStringLiteral("right"),
       QStringLiteral("bottom-left"), QStringLiteral("bottom"), QStringLiteral("bottom-right")};

} // namespace

const QVector<SetupOption> &setupOptions()
{
    static const QVector<SetupOption> options = {
        {QStringLiteral("text"),
         QStringLiteral("TEXT"),
         Texts::tr("Stamp <TEXT> (an empty one: no text)."),
         {QStringLiteral("wtrmark_edit")},
         [](const QString &value, QString *) {
             return SettingsMap {{QStringLiteral("wtrmark_edit"), value}};
         }},
        fontOption(),
        colorOption(),
        choiceOption(QStringLiteral("text-position"), QStringLiteral("PLACE"),
                     Texts::tr("Where the text goes: %1.").arg(alternatives(placeNames)),
                     placeNames, placementButtonNames(QStringLiteral("txt_"))),
        pairOption(QStringLiteral("text-offset"), QStringLiteral("X,Y"), QLatin1Char(','),
                   Texts::tr("Move the text X pixels right and Y down (left and up when "
                             "negative), each %1.")
                       .arg(rangeText(QStringLiteral("txt_x_spin"))),
                   QStringLiteral("txt_x_spin"), QStringLiteral("txt_y_spin")),
        logoOption(),
        switchOption(QStringLiteral("no-logo"), Texts::tr("Stamp no logo."),
                     {{QStringLiteral("logo_file_name"), QString()}}),
        choiceOption(QStringLiteral("logo-position"), QStringLiteral("PLACE"),
                     Texts::tr("Where the logo goes, as --text-position."), placeNames,
                     placementButtonNames(QStringLiteral("logo_"))),
        pairOption(QStringLiteral("logo-offset"), QStringLiteral("X,Y"), QLatin1Char(','),
                   Texts::tr("Move the logo X pixels right and Y down, each %1.")
                       .arg(rangeText(QStringLiteral("x_spin"))),
                   QStringLiteral("x_spin"), QStringLiteral("y_spin")),
        logoScaleOption(),
        bandOption(),
        choiceOption(QStringLiteral("band-edge"), QStringLiteral("top|bottom"),
                     Texts::tr("The edge the band runs along."),
                     {QStringLiteral("top"), QStringLiteral("bottom")},
                     {QStringLiteral("top_radio"), QStringLiteral("bottom_radio_radio")}),
        wholeNumberOption(QStringLiteral("band-height"), QStringLiteral("N"),
                          Texts::tr("The band's height in rows, %1.")
                              .arg(rangeText(QStringLiteral("shadow_spin"))),
                          QStringLiteral("shadow_spin")),
        pairOption(QStringLiteral("resize"), QStringLiteral("WxH"), QLatin1Char('x'),
                   Texts::tr("Resize every picture to W by H pixels, each %1 (see --keep-aspect).")
                       .arg(rangeText(QStringLiteral("width_spin"))),
                   QStringLiteral("width_spin"), QStringLiteral("height_spin"),
                   {{QStringLiteral("resize_check"), true}}),
        switchOption(QStringLiteral("no-resize"), Texts::tr("Keep every picture's own size."),
                     {{QStringLiteral("resize_check"), false}}),
        switchOption(QStringLiteral("keep-aspect"),
                     Texts::tr("Resize keeping the picture's proportions, within W by H."),
                     {{QStringLiteral("aspect_check"), true}}),
        switchOption(QStringLiteral("stretch"), Texts::tr("Resize to exactly W by H."),
                     {{QStringLiteral("aspect_check"), false}}),
        contradicting(switchOption(QStringLiteral("never-enlarge"),
                                   Texts::tr("When resizing, keep the size of a picture that fits "
                                             "inside the box."),
                                   {{QStringLiteral("noenlarge_check"), true}}),
                      QStringLiteral("enlarge")),
        switchOption(QStringLiteral("enlarge"),
                     Texts::tr("When resizing, enlarge smaller pictures to the box."),
                     {{QStringLiteral("noenlarge_check"), false}}),
        contradicting(
            wholeNumberOption(QStringLiteral("scale-with-picture"), QStringLiteral("N"),
                              Texts::tr("Scale the stamp with each picture, as designed for "
                                        "pictures whose shorter side is <N> pixels, %1.")
                                  .arg(rangeText(QStringLiteral("referenceside_spin"))),
                              QStringLiteral("referenceside_spin"),
                              {{QStringLiteral("scalestamp_check"), true}}),
            QStringLiteral("no-scale-with-picture")),
        switchOption(QStringLiteral("no-scale-with-picture"),
                     Texts::tr("Draw the stamp at its own size on every picture."),
                     {{QStringLiteral("scalestamp_check"), false}}),
        choiceOption(QStringLiteral("format"), QStringLiteral("FORMAT"),
                     Texts::tr("The format written: %1. What a picture leaves transparent is "
                               "written over white as jpg, and kept in the others.")
                         .arg(alternatives(outputFormats())),
                     outputFormats(), formatButtonNames()),
        wholeNumberOption(QStringLiteral("quality"), QStringLiteral("Q"),
                          Texts::tr("The quality of jpg, webp and avif, %1.")
                              .arg(rangeText(QStringLiteral("comp_slider"))),
                          QStringLiteral("comp_slider")),
        metadataOption(),
        switchOption(QStringLiteral("keep-location"),
                     Texts::tr("Keep the location in the photo information. Without it, every "
                               "coordinate is removed from the EXIF, IPTC and XMP, in every "
                               "namespace: latitude, longitude, altitude, and the GPS fields "
                               "with them (GPS time, direction, destination). Place names (city, "
                               "region, country, sublocation) stay."),
                     {{QStringLiteral("dropgps_check"), false}}),
        switchOption(QStringLiteral("drop-location"),
                     Texts::tr("Remove the location from the photo information, as said above."),
                     {{QStringLiteral("dropgps_check"), true}}),
    };
    return options;
}

QStringList windowOnlyKeys()
{
    return {QStringLiteral("actual_radio"), QStringLiteral("fit_radio"),
            QStringLiteral("last_output_folder")};
}
