#ifndef TESSARO_SETTINGSSTORE_H
#define TESSARO_SETTINGSSTORE_H

#include <QByteArray>
#include <QSettings>

// The settings store of the window and the command line: the toolkit's per-user store file
// (on Linux `$XDG_CONFIG_HOME/Korvath/Tessaro.conf`), in the toolkit's INI syntax, read and
// written without the toolkit's decoding of serialised values (`@Variant(...)`), which a damaged
// or hostile file can crash. A store written by either is read the same by the other.
QSettings *openSettingsStore(QObject *parent = nullptr);

// The same for the store file at `path`.
QSettings *openSettingsFile(const QString &path, QObject *parent = nullptr);

// The format of the store, registered once; tests point its user scope at their own folder.
QSettings::Format settingsStoreFormat();

// The values of a store file's text as the toolkit's INI reader takes them: keys of the
// [General] section at the top level, others under "section/"; a value is a string, or a list of
// strings where unquoted commas separate items. A value in a serialised form other than a plain
// string ("@Variant(...)", "@ByteArray(...)", "@Rect(...)", ...) is left out, so the reader of the
// key gets its default. `*wellFormed` tells whether every line was one the toolkit's reader takes
// (a section name in brackets, a key with a value, a comment or a blank line).
QSettings::SettingsMap settingsFromText(const QByteArray &text, bool *wellFormed = nullptr);

// The text of a store file holding `settings`, as the toolkit writes it. Strings, numbers,
// booleans and lists of these can be written; false for any other value.
bool settingsText(const QSettings::SettingsMap &settings, QByteArray *text);

#endif // TESSARO_SETTINGSSTORE_H
