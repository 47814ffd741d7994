#ifndef TESSARO_SETTINGSSTORE_H
#define TESSARO_SETTINGSSTORE_H

#include <QByteArray>
#include <QSettings>

// The settings store of the window and the command line: the toolkit's per-user store file
// (on Linux `$XDG_CONFIG_HOME/Korvath/Tessaro.conf`), read and written by the toolkit's own INI
// format, except that a value the toolkit would decode from a serialised form (`@Variant(...)`
// and the like), which a damaged or hostile file can crash, is never decoded: its key is left out,
// and whoever reads it gets the key's default.
QSettings *openSettingsStore(QObject *parent = nullptr);

// The same for the store file at `path`.
QSettings *openSettingsFile(const QString &path, QObject *parent = nullptr);

// The format of the store, registered once; tests point its user scope at their own folder.
QSettings::Format settingsStoreFormat();

// The values of a store file's text as the toolkit's INI reader takes them (strings, or lists of
// strings), without those it would decode from a serialised form other than a plain string.
// `*wellFormed` tells whether the toolkit's reader found every line well formed.
QSettings::SettingsMap settingsFromText(const QByteArray &text, bool *wellFormed = nullptr);

// The text of a store file holding `settings`, as the toolkit's INI writer makes it; false when
// it could not be made.
bool settingsText(const QSettings::SettingsMap &settings, QByteArray *text);

#endif // TESSARO_SETTINGSSTORE_H
