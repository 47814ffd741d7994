#include "engine/setup/savedsetup.h"

#include "engine/setup/logoscale.h"
#include "engine/setup/settingskeys.h"

#include <QSettings>

namespace {

using SettingsMap = QSettings::SettingsMap;

const QStringList bandEdgeKeys
    = {QStringLiteral("top_radio"), QStringLiteral("bottom_radio_radio")};
const QStringList bandToneKeys = {QStringLiteral("light_radio"), QStringLiteral("dark_radio")};
const QStringList previewKeys = {QStringLiteral("actual_radio"), QStringLiteral("fit_radio")};

// The value stored under `key`, read as the window's load reads it.
QVariant restored(const SettingsMap &stored, const QString &key)
{
    const SettingKey &entry = settingKey(key);
    return storedValue(entry, stored.value(key, entry.defaultValue));
}

// A whole number as its control keeps it: within the key's range.
int restoredInt(const SettingsMap &stored, const QString &key)
{
    const SettingKey &entry = settingKey(key);
    return qBound(entry.minimum.toInt(), restored(stored, key).toInt(), entry.maximum.toInt());
}

// The index of the button left checked when the buttons of one group, checked on the form at
// `formChecked`, are loaded in the order of `keys`: loading true checks a button and unchecks
// the others, loading false cannot uncheck the checked one.
int checkedButton(const SettingsMap &stored, const QStringList &keys, int formChecked)
{
    int checked = formChecked;
    for (int i = 0; i < keys.size(); ++i) {
        if (restored(stored, keys.at(i)).toBool())
            checked = i;
    }
    return checked;
}

StampAlignment restoredAlignment(const SettingsMap &stored, const QString &prefix)
{
    const QStringList keys = placementButtonNames(prefix);
    QVector<bool> states(keys.size(), false);
    states[checkedButton(stored, keys, 0)] = true;
    return alignmentOfFirstChecked(states);
}

// What the logo scale spin box shows for `value`: two decimals, within its range.
double scaleSpinValue(double value)
{
    const SettingKey &entry = settingKey(QStringLiteral("scale_spin"));
    return qBound(entry.minimum.toDouble(), QString::number(value, 'f', 2).toDouble(),
                  entry.maximum.toDouble());
}

// The logo scale the window holds once the load entered the stored one twice into the spin box.
// Each change of the spin box moves the slider (from 1.00 at 100), and each move of the slider
// enters its own scale into the spin box, until neither changes. The slider's truncation can pull a
// scale down by a step or two, and its range clamps it; the second entry restores a scale whose
// slider position is already in place.
double restoredScale(const SettingsMap &stored)
{
    const double entered = restored(stored, QStringLiteral("scale_spin")).toDouble();
    double spin = 1.0;
    int slider = 100;
    const auto enter = [&] {
        for (double next = scaleSpinValue(entered); next != spin;) {
            spin = next;
            const int position = qBound(1, scaleSliderPosition(spin), 400);
            if (position == slider)
                break;
            slider = position;
            next = scaleSpinValue(scaleOfSliderPosition(position));
        }
    };
    enter();
    enter();
    return spin;
}

// Sets the buttons of one group under `keys`, the `checked`-th on and the others off.
void checkOne(SettingsMap &settings, const QStringList &keys, int checked)
{
    for (int i = 0; i < keys.size(); ++i)
        settings.insert(keys.at(i), i == checked);
}

} // namespace

SettingsMap storedSettings(const QSettings &store)
{
    SettingsMap stored;
    for (const SettingKey &entry : settingKeys()) {
        const QString key = QLatin1String(entry.key);
        if (store.contains(key))
            stored.insert(key, store.value(key));
    }
    return stored;
}

SavedSetup savedSetup(const SettingsMap &stored)
{
    SavedSetup setup;
    StampSettings &stamp = setup.job.stamp;
    stamp.resize = restored(stored, "resize_check").toBool();
    stamp.outputSize = QSize(restoredInt(stored, "width_spin"), restoredInt(stored, "height_spin"));
    stamp.keepAspectRatio = restored(stored, "aspect_check").toBool();
    stamp.neverEnlarge = restored(stored, "noenlarge_check").toBool();
    stamp.bandEdge = checkedButton(stored, bandEdgeKeys, 1) == 0 ? BandEdge::Top : BandEdge::Bottom;
    stamp.bandRows = restoredInt(stored, "shadow_spin");
    stamp.bandTone = checkedButton(stored, bandToneKeys, 1) == 0 ? BandTone::Light : BandTone::Dark;
    stamp.text = restored(stored, "wtrmark_edit").toString();
    stamp.font = fontFromDescription(restored(stored, "font").toString());
    stamp.color = opaqueColorFromNumber(restored(stored, "fnt_clr").toUInt());
    stamp.logoScale = restoredScale(stored);
    stamp.transformMode = Qt::SmoothTransformation;

    stamp.textAlignment = restoredAlignment(stored, QStringLiteral("txt_"));
    stamp.textOffset = QPoint(restoredInt(stored, "txt_x_spin"), restoredInt(stored, "txt_y_spin"));
    stamp.logoAlignment = restoredAlignment(stored, QStringLiteral("logo_"));
    stamp.logoOffset = QPoint(restoredInt(stored, "x_spin"), restoredInt(stored, "y_spin"));
    stamp.scaleWithPicture = restored(stored, "scalestamp_check").toBool();
    stamp.referenceShorterSide = restoredInt(stored, "referenceside_spin");

    setup.job.format = outputFormats().at(checkedButton(stored, formatButtonNames(), 0));
    setup.qualityControl = restoredInt(stored, "comp_slider");
    setup.job.quality = writerQuality(setup.job.format, setup.qualityControl);
    setup.logoFileName = restored(stored, "logo_file_name").toString();
    setup.job.keepMetadata = restored(stored, "keepinfo_check").toBool();
    setup.job.keepLocation = !restored(stored, "dropgps_check").toBool();
    return setup;
}

SavedSetup savedSetup(const QSettings &store)
{
    return savedSetup(storedSettings(store));
}

SettingsMap savedSettings(const SettingsMap &stored)
{
    const SavedSetup setup = savedSetup(stored);
    const StampSettings &stamp = setup.job.stamp;
    SettingsMap saved;
    checkOne(saved, placementButtonNames(QStringLiteral("txt_")), int(stamp.textAlignment) - 1);
    checkOne(saved, placementButtonNames(QStringLiteral("logo_")), int(stamp.logoAlignment) - 1);
    saved.insert(QStringLiteral("logo_file_name"), setup.logoFileName);
    saved.insert(QStringLiteral("font"), fontDescription(stamp.font));
    saved.insert(QStringLiteral("wtrmark_edit"), stamp.text);
    saved.insert(QStringLiteral("fnt_clr"), colorNumber(stamp.color));
    saved.insert(QStringLiteral("shadow_spin"), stamp.bandRows);
    saved.insert(QStringLiteral("x_spin"), stamp.logoOffset.x());
    saved.insert(QStringLiteral("y_spin"), stamp.logoOffset.y());
    checkOne(saved, bandEdgeKeys, stamp.bandEdge == BandEdge::Top ? 0 : 1);
    checkOne(saved, bandToneKeys, stamp.bandTone == BandTone::Light ? 0 : 1);
    checkOne(saved, previewKeys, checkedButton(stored, previewKeys, 1));
    saved.insert(QStringLiteral("scale_spin"), stamp.logoScale);
    saved.insert(QStringLiteral("resize_check"), stamp.resize);
    saved.insert(QStringLiteral("aspect_check"), stamp.keepAspectRatio);
    saved.insert(QStringLiteral("width_spin"), stamp.outputSize.width());
    saved.insert(QStringLiteral("height_spin"), stamp.outputSize.height());
    saved.insert(QStringLiteral("txt_x_spin"), stamp.textOffset.x());
    saved.insert(QStringLiteral("txt_y_spin"), stamp.textOffset.y());
    checkOne(saved, formatButtonNames(), outputFormats().indexOf(setup.job.format));
    saved.insert(QStringLiteral("comp_slider"), setup.qualityControl);
    saved.insert(QStringLiteral("last_output_folder"),
                 restored(stored, QStringLiteral("last_output_folder")));
    saved.insert(QStringLiteral("keepinfo_check"), setup.job.keepMetadata);
    saved.insert(QStringLiteral("dropgps_check"), !setup.job.keepLocation);
    saved.insert(QStringLiteral("noenlarge_check"), stamp.neverEnlarge);
    saved.insert(QStringLiteral("scalestamp_check"), stamp.scaleWithPicture);
    saved.insert(QStringLiteral("referenceside_spin"), stamp.referenceShorterSide);
    return saved;
}

int writerQuality(const QString &format, int qualityControl)
{
    static const QStringList withQuality
        = {QStringLiteral("jpg"), QStringLiteral("webp"), QStringLiteral("avif")};
    return withQuality.contains(format) ? qualityControl : -1;
}
