#include "app/SettingsStore.h"

#include "app/DesktopLanguage.h"
#include "app/IniProfile.h"
#include "app/LineEnd.h"
#include "app/PathKeys.h"
#include "app/SettingsNumber.h"
#include "app/SystemFolders.h"
#include "app/WholeFile.h"
#include "app/modFile.h"
#include "text/Checksums.h"

#include <algorithm>
#include <limits>


namespace {

// Reads the keys of the settings file one at a time.
class KeyReader {
public:
    explicit KeyReader(QString path) : m_path(std::move(path)) {}

    template <class T> void number(const char *key, T &field, T defaultValue) const
    {
        field = SettingsNumber::valueOr<T>(read(key, QString::number(defaultValue)), defaultValue);
    }
    void text(const char *key, QString &field) const { field = read(key, QString()); }

private:
    QString read(const char *key, const QString &defaultValue) const
    {
        return IniProfile::GetPrivateProfileString(
            SettingsSectionName(), QString::fromLatin1(key), defaultValue, m_path);
    }
    QString m_path;
};

// The keys of the window's place, in the order they are written. A key of
// the window added later (a splitter's position, say) is a row here and a
// field of WindowPlace.
struct WindowKey {
    const char *key;
    qint32 WindowPlace::*field;
};
constexpr WindowKey kWindowKeys[] = {{"WindowLeft", &WindowPlace::Left},
                                     {"WindowTop", &WindowPlace::Top},
                                     {"WindowWidth", &WindowPlace::Width},
                                     {"WindowHeight", &WindowPlace::Height}};

// Collects the keys of the settings file in the order they are written.
class KeyWriter {
public:
    void number(const char *key, qint64 value) { text(key, QString::number(value)); }
    void text(const char *key, const QString &value)
    {
        m_keyValues.append({QString::fromLatin1(key), value});
    }
    // 0 when written, else why not (an errno value).
    int writeTo(const QString &path) const
    {
        int error = 0;
        IniProfile::WritePrivateProfileStrings(SettingsSectionName(), m_keyValues, path, &error);
        return error;
    }
    // Whether the file gives back every key's value already.
    bool heldBy(const QString &path) const
    {
        for (const auto &[key, value] : m_keyValues) {
            if (IniProfile::GetPrivateProfileString(SettingsSectionName(), key, QString(), path) !=
                value)
                return false;
        }
        return true;
    }

private:
    IniProfile::KeyValues m_keyValues;
};

// Copies the template into a data folder that has no settings file yet: the
// first template of TemplateFolders() that can be read, so one beside the
// program wins over the installed one. Copied through a complete
// replacement, so a failing copy leaves no half file, and owner-writable
// whatever the template's own permissions (an installed one belongs to
// root), so the settings can be saved later. A language given (the
// desktop's, see DesktopLanguage) replaces the template's.
void copyTemplateOnFirstRun(const QString &dataFolder, std::optional<quint8> language)
{
    const QString target = SettingsFilePath(dataFolder);
    for (const QString &folder : SystemFolders::TemplateFolders()) {
        const QString source = folder + QStringLiteral("/Settings.ini");
        if (!fkt_FileExists(source))
            continue;
        auto content = WholeFile::read(source, IniProfile::kMaxFileSize);
        if (!content)
            continue;
        if (language)
            content = IniProfile::withValue(*content, SettingsSectionName(),
                                            QStringLiteral("Language"), QString::number(*language))
                          .value_or(*content);
        if (fkt_FileCreateFolder(dataFolder))
            WholeFile::replace(target, *content);
        return;
    }
}

// A place is known only when each of its keys holds a number; the window
// system places the window otherwise.
void readWindowKeys(const KeyReader &r, SettingsRecord &s)
{
    WindowPlace place;
    for (const WindowKey &k : kWindowKeys) {
        QString text;
        r.text(k.key, text);
        const auto number = SettingsNumber::parse(text);
        if (!number || *number < std::numeric_limits<qint32>::min() ||
            *number > std::numeric_limits<qint32>::max())
            return;
        place.*k.field = qint32(*number);
    }
    r.number<quint8>("WindowMaximized", place.Maximized, 0);
    r.number<qint32>("PlotHeight", place.PlotHeight, 0);
    place.PlotHeight = std::max(0, place.PlotHeight);
    s.Window = place;
}

void readKeys(const QString &path, SettingsRecord &s)
{
    const KeyReader r(path);
    r.number<quint8>("ComPort", s.ComPort, 0);
    r.number<quint8>("Baudrate", s.Baudrate, 0);
    QString baudrateValue;
    r.text("BaudrateValue", baudrateValue);
    s.BaudrateValueKey = !baudrateValue.isEmpty();
    r.number<qint32>("BaudrateValue", s.BaudrateValue, 0);
    if (s.BaudrateValue < kLowestBaud || s.BaudrateValue > kHighestBaud)
        s.BaudrateValue = 0; // a rate no port takes: the table's entry holds
    r.number<quint8>("Dataformat", s.Dataformat, 0);
    r.number<quint8>("Handshake", s.Handshake, 0);
    r.number<quint8>("RTS", s.RTS, 0);
    r.number<quint8>("DTR", s.DTR, 1);
    r.number<quint8>("Peculiar", s.Peculiar, 1);
    r.number<quint8>("Language", s.Language, 0);
    r.number<quint8>("PrefixOption", s.PrefixOption, 0);
    r.number<quint8>("ReadjustOption", s.ReadjustOption, 0);
    r.text("PrefixChars", s.PrefixChars);
    r.text("ReadjustChars", s.ReadjustChars);
    r.number<quint8>("DeleteSendChars", s.DeleteSendChars, 1);
    r.number<quint8>("ShowOptions", s.ShowOptions, 0);
    r.number<qint16>("CharDelay", s.CharDelay, 0);
    r.number<qint16>("WaitTime", s.WaitTime, 0);
    QString recordLog;
    r.text("RecordLog", recordLog);
    QString recordLogFileUtf8;
    r.text("RecordLogFile", s.RecordLogFile);
    r.text("RecordLogFileUtf8", recordLogFileUtf8);
    s.RecordLogKeys = !recordLog.isEmpty() || !s.RecordLogFile.isEmpty();
    s.RecordLogFileUtf8Key = !recordLogFileUtf8.isEmpty();
    s.RecordLogFile = PathKeys::load(s.RecordLogFile, recordLogFileUtf8);
    r.number<quint8>("RecordLog", s.RecordLog, 0);
    QString hexView;
    r.text("HexView", hexView);
    s.HexViewKey = !hexView.isEmpty();
    r.number<quint8>("HexView", s.HexView, 0);
    QString lineEnd;
    r.text("LineEnd", lineEnd);
    s.LineEndKey = !lineEnd.isEmpty();
    r.number<quint8>("LineEnd", s.LineEnd, 0);
    s.LineEnd = quint8(lineEndKind(s.LineEnd));
    QString checkSum;
    r.text("CheckSum", checkSum);
    s.CheckSumKey = !checkSum.isEmpty();
    r.number<quint8>("CheckSum", s.CheckSum, 0);
    if (s.CheckSum > kChecksums.size())
        s.CheckSum = 0; // no algorithm of that number: off
    QString plotView;
    r.text("PlotView", plotView);
    s.PlotViewKey = !plotView.isEmpty();
    r.number<quint8>("PlotView", s.PlotView, 0);
    readWindowKeys(r, s);
}

// RTS, DTR and ShowOptions are never written: they belong to whoever edits
// the file.
void collectKeys(KeyWriter &w, const SettingsRecord &s)
{
    w.number("ComPort", s.ComPort);
    w.number("Baudrate", s.Baudrate);
    if (s.BaudrateValueKey || s.BaudrateValue != 0)
        w.number("BaudrateValue", s.BaudrateValue);
    w.number("Dataformat", s.Dataformat);
    w.number("Handshake", s.Handshake);
    w.number("Peculiar", s.Peculiar);
    w.number("Language", s.Language);
    w.number("PrefixOption", s.PrefixOption);
    w.number("ReadjustOption", s.ReadjustOption);
    w.text("PrefixChars", s.PrefixChars);
    w.text("ReadjustChars", s.ReadjustChars);
    w.number("DeleteSendChars", s.DeleteSendChars);
    w.number("CharDelay", s.CharDelay);
}

void collectRecordingKeys(KeyWriter &w, const SettingsRecord &s)
{
    if (!s.RecordLogKeys)
        return;
    w.number("RecordLog", s.RecordLog);
    const PathKeys::Values file = PathKeys::store(s.RecordLogFile);
    w.text("RecordLogFile", file.narrow);
    // Only a path that needs it brings the key into the file; once there it
    // is kept up to date (empty when the path needs it no longer).
    if (!file.wide.isEmpty() || s.RecordLogFileUtf8Key)
        w.text("RecordLogFileUtf8", file.wide);
}

void collectViewKeys(KeyWriter &w, const SettingsRecord &s)
{
    if (s.HexViewKey)
        w.number("HexView", s.HexView);
    if (s.LineEndKey)
        w.number("LineEnd", s.LineEnd);
    if (s.CheckSumKey)
        w.number("CheckSum", s.CheckSum);
    if (s.PlotViewKey)
        w.number("PlotView", s.PlotView);
}

// Only once the window was moved or resized: users who never do keep their
// file as it was.
void collectWindowKeys(KeyWriter &w, const SettingsRecord &s)
{
    if (!s.WindowKeys || !s.Window)
        return;
    for (const WindowKey &k : kWindowKeys)
        w.number(k.key, (*s.Window).*k.field);
    w.number("WindowMaximized", s.Window->Maximized);
    if (s.Window->PlotHeight > 0)
        w.number("PlotHeight", s.Window->PlotHeight);
}

// Every key the end writes, in its order; WaitTime from waitTime where given.
// The window's place is left out where another window's file is compared:
// that another window was moved is no change worth a question.
KeyWriter keysToWrite(const SettingsRecord &s, std::optional<qint16> waitTime,
                      bool withWindow = true)
{
    KeyWriter writer;
    collectKeys(writer, s);
    writer.number("WaitTime", waitTime.value_or(s.WaitTime));
    collectRecordingKeys(writer, s);
    collectViewKeys(writer, s);
    if (withWindow)
        collectWindowKeys(writer, s);
    return writer;
}

} // namespace

QString SettingsFilePath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("Settings.ini");
}

QString DefaultCommandFilePath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("DefaultCommands.icf");
}

void fkt_MainLoadSettings(SettingsRecord &settings, CommandTexts &slots)
{
    settings.DataFolder = SystemFolders::ProfileFolder();
    const QString settingsFile = SettingsFilePath(settings.DataFolder);
    std::optional<quint8> language;
    if (!fkt_FileExists(settingsFile)) {
        language = DesktopLanguage::firstStartLanguage();
        copyTemplateOnFirstRun(settings.DataFolder, language);
    }
    readKeys(settingsFile, settings);
    // Without a template the first start keeps the language until its end.
    if (language && !fkt_FileExists(settingsFile))
        settings.Language = language.value();
    slots = *fkt_MainLoadCommandFile(DefaultCommandFilePath(settings.DataFolder));
}

ProfileStamps stampProfileFiles(const QString &dataFolder)
{
    return {FileStamp::of(SettingsFilePath(dataFolder)),
            FileStamp::of(DefaultCommandFilePath(dataFolder))};
}

bool settingsFileHolds(const SettingsRecord &settings, std::optional<qint16> waitTime)
{
    const KeyWriter writer = keysToWrite(settings, waitTime, false);
    return writer.heldBy(SettingsFilePath(settings.DataFolder));
}

bool commandFileHolds(const QString &dataFolder, const CommandTexts &slots)
{
    const auto held = fkt_MainLoadCommandFile(DefaultCommandFilePath(dataFolder));
    return held && *held == slots;
}

bool isKeepableRecordLogFile(const QString &path)
{
    return PathKeys::canKeep(path);
}

QList<SaveFailure> fkt_MainSaveSettings(SettingsRecord &settings, std::optional<qint16> waitTime,
                                        const CommandTexts &slots, SaveSelection which)
{
    QList<SaveFailure> failures;
    if (settings.DataFolder.isEmpty())
        return failures;
    // Without this a first start that found no template would lose every
    // setting and command line at its end.
    fkt_FileCreateFolder(settings.DataFolder);
    if (waitTime)
        settings.WaitTime = *waitTime;
    const KeyWriter writer = keysToWrite(settings, std::nullopt);
    const QString settingsFile = SettingsFilePath(settings.DataFolder);
    if (which.settingsFile) {
        if (const int error = writer.writeTo(settingsFile))
            failures.append({settingsFile, error});
    }
    const QString commandFile = DefaultCommandFilePath(settings.DataFolder);
    int error = 0;
    if (which.commandFile && !fkt_MainSaveCommandFile(commandFile, slots, {}, &error))
        failures.append({commandFile, error});
    return failures;
}
