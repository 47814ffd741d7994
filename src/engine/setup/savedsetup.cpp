#include "engine/setup/savedsetup.h"

#include "engine/setup/logoscale.h"
#include "engine/setup/settingskeys.h"

#include <QSettings>

namespace {

// The value stored under `key`, read as the window's load reads it.
QVariant restored(const QSettings &store, const QString &key)
{
    for (const SettingKey &entry : settingKeys()) {
        if (key == QLatin1String(entry.key))
            return storedValue(entry, store.value(key, entry.defaultValue));
    }
    qFatal("no settings key %s", qPrintable(key));
}

int restoredInt(const QSettings &store, const QString &key, int minimum, int maximum)
{
    return qBound(minimum, restored(store, key).toInt(), maximum);
}

// The index of the button left checked when the buttons of one group, checked on the form at
// `formChecked`, are loaded in the order of `keys`: loading true checks a button and unchecks
// the others, loading false cannot uncheck the checked one.
int checkedButton(const QSettings &store, const QStringList &keys, int formChecked)
{
    int checked = formChecked;
    for (int i = 0; i < keys.size(); ++i) {
        if (restored(store, keys.at(i)).toBool())
            checked = i;
    }
    return checked;
}

StampAlignment restoredAlignment(const QSettings &store, const QString &prefix)
{
    const QStringList keys = placementButtonNames(prefix);
    QVector<bool> states(keys.size(), false);
    states[checkedButton(store, keys, 0)] = true;
    return alignmentOfFirstChecked(states);
}

// What the logo scale spin box shows for `value`: two decimals, within its range.
double scaleSpinValue(double value)
{
    return qBound(0.01, QString::number(value, 'f', 2).toDouble(), 9.0);
}

// The logo scale the window holds once the load entered `stored` twice into the spin box. Each
// change of the spin box moves the slider (from 1.00 at 100), and each move of the slider enters
// its own scale into the spin box, until neither changes. The slider's truncation can pull a
// scale down by a step or two, and its range clamps it; the second entry restores a scale whose
// slider position is already in place.
double restoredScale(const QSettings &store)
{
    const double stored = restored(store, "scale_spin").toDouble();
    double spin = 1.0;
    int slider = 100;
    const auto enter = [&] {
        for (double next = scaleSpinValue(stored); next != spin;) {
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

} // namespace

SavedSetup savedSetup(const QSettings &store)
{
    SavedSetup setup;
    StampSettings &stamp = setup.job.stamp;
    stamp.resize = restored(store, "resize_check").toBool();
    stamp.outputSize = QSize(restoredInt(store, "width_spin", 10, 99999),
                             restoredInt(store, "height_spin", 10, 99999));
    stamp.keepAspectRatio = restored(store, "aspect_check").toBool();
    stamp.neverEnlarge = restored(store, "noenlarge_check").toBool();
    stamp.bandEdge = checkedButton(store, {"top_radio", "bottom_radio_radio"}, 1) == 0
        ? BandEdge::Top
        : BandEdge::Bottom;
    stamp.bandRows = restoredInt(store, "shadow_spin", 0, 1000);
    stamp.bandTone = checkedButton(store, {"light_radio", "dark_radio"}, 1) == 0 ? BandTone::Light
                                                                                 : BandTone::Dark;
    stamp.text = restored(store, "wtrmark_edit").toString();
    stamp.font = fontFromDescription(restored(store, "font").toString());
    stamp.color = opaqueColorFromNumber(restored(store, "fnt_clr").toUInt());
    stamp.logoScale = restoredScale(store);
    stamp.transformMode = Qt::SmoothTransformation;

    stamp.textAlignment = restoredAlignment(store, QStringLiteral("txt_"));
    stamp.textOffset = QPoint(restoredInt(store, "txt_x_spin", -9999, 9999),
                              restoredInt(store, "txt_y_spin", -9999, 9999));
    stamp.logoAlignment = restoredAlignment(store, QStringLiteral("logo_"));
    stamp.logoOffset = QPoint(restoredInt(store, "x_spin", -99999, 999999),
                              restoredInt(store, "y_spin", -99999, 999999));
    stamp.scaleWithPicture = restored(store, "scalestamp_check").toBool();
    stamp.referenceShorterSide = restoredInt(store, "referenceside_spin", 1, 99999);

    const QStringList formats
        = {QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("tif")};
    setup.job.format
        = formats.at(checkedButton(store, {"outjpg_radio", "outpng_radio", "outtif_radio"}, 0));
    setup.jpgQuality = restoredInt(store, "comp_slider", 1, 100);
    setup.job.quality = writerQuality(setup.job.format, setup.jpgQuality);
    setup.logoFileName = restored(store, "logo_file_name").toString();
    setup.job.keepMetadata = restored(store, "keepinfo_check").toBool();
    setup.job.keepLocation = !restored(store, "dropgps_check").toBool();
    return setup;
}

int writerQuality(const QString &format, int jpgQuality)
{
    return format == QLatin1String("jpg") ? jpgQuality : -1;
}
