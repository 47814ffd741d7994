#include "window/mainwindow.h"

#include "engine/setup/settingskeys.h"
#include "ui_mainwindow.h"

#include <QMetaProperty>
#include <QSettings>

namespace {

// A control's stored state is its user property: `checked` of a button, `value` of a spin box or
// slider, `text` of a line edit. Writing it goes through the control's ordinary setter, so the
// control's handler runs just as for a change by the user.
QVariant controlState(const QWidget *control)
{
    return control->metaObject()->userProperty().read(control);
}

void setControlState(QWidget *control, const QVariant &state)
{
    control->metaObject()->userProperty().write(control, state);
}

} // namespace

void MainWindow::loadSettings()
{
    for (const SettingKey &entry : settingKeys()) {
        const QVariant value
            = storedValue(entry, settings->value(QLatin1String(entry.key), entry.defaultValue));
        switch (entry.target) {
        case SettingTarget::Control: {
            QWidget *control = findChild<QWidget *>(QLatin1String(entry.objectName));
            setControlState(control, value);
            // The enabled state of the size controls follows resize_check even when loading it
            // changed nothing and its toggle never fired.
            if (control == ui->resize_check)
                on_resize_check_toggled(ui->resize_check->isChecked());
            // A scale the slider cannot show (above 4.00, or one like 0.29 whose hundredths
            // truncate lower) is pulled down by the slider's answer; entering it a second time
            // keeps it, just as it does for the user who typed it.
            if (control == ui->scale_spin)
                setControlState(control, value);
            break;
        }
        case SettingTarget::LogoFileName:
            logoFileName = value.toString();
            break;
        case SettingTarget::WatermarkFont:
            watermarkFont = fontFromDescription(value.toString());
            break;
        case SettingTarget::FontColor:
            fontColor = opaqueColorFromNumber(value.toUInt());
            break;
        case SettingTarget::LastOutputFolder:
            lastOutputFolder = value.toString();
            break;
        }
    }
}

void MainWindow::saveSettings()
{
    for (const SettingKey &entry : settingKeys()) {
        QVariant value;
        switch (entry.target) {
        case SettingTarget::Control:
            value = controlState(findChild<QWidget *>(QLatin1String(entry.objectName)));
            break;
        case SettingTarget::LogoFileName:
            value = logoFileName;
            break;
        case SettingTarget::WatermarkFont:
            value = fontDescription(watermarkFont);
            break;
        case SettingTarget::FontColor:
            value = colorNumber(fontColor);
            break;
        case SettingTarget::LastOutputFolder:
            value = lastOutputFolder;
            break;
        }
        settings->setValue(QLatin1String(entry.key), value);
    }
}
