// The INI layer on any bytes as a file: the reader against a literal
// line-by-line reading, a write read back, every line the write does not own
// kept byte for byte, and a refused write leaving a real file untouched.

#include "FuzzInput.h"
#include "IniReference.h"

#include "app/IniProfile.h"
#include "app/IniText.h"
#include "app/WholeFile.h"

#include <QFile>
#include <QSet>

#include <tuple>

namespace {

const QString kDefault = QStringLiteral("\x01not there");

QByteArray bytesOf(const QString &text)
{
    return Codec::toBytes(text).value_or(QByteArray());
}

// The requested names are given as the program gives them: without control
// characters at their ends.
bool tidyName(const QString &name)
{
    return name.isEmpty() || (name.front() >= QLatin1Char(' ') && name.back() >= QLatin1Char(' '));
}

// Letters, digits and '_' only: a name every write must accept.
bool plainName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (const QChar ch : name) {
        if (!(ch.isLetterOrNumber() && ch.unicode() < 128) && ch != QLatin1Char('_'))
            return false;
    }
    return true;
}

// The value as the file keeps it: a character without a byte becomes '?'.
QByteArray storedValue(const QString &value)
{
    QByteArray bytes;
    for (const QChar ch : value)
        bytes.append(char(Codec::byteFromChar(ch).value_or('?')));
    return bytes;
}

void checkReading(const QByteArray &file, const QString &section, const QString &key)
{
    const auto sectionBytes = Codec::toBytes(section);
    const auto keyBytes = Codec::toBytes(key);
    const QString read = IniProfile::valueIn(file, section, key, kDefault);
    if (!sectionBytes || !keyBytes) {
        FUZZ_CHECK(read == kDefault, visible(read));
        return;
    }
    const auto expected = IniReference::value(file, IniReference::trimBlanks(*sectionBytes),
                                              IniReference::trimBlanks(*keyBytes));
    FUZZ_CHECK(read == (expected ? Codec::toText(*expected) : kDefault),
               visible(read) + QStringLiteral(" / ")
                       + (expected ? visible(*expected) : QStringLiteral("(none)")));

    // The one-look section read agrees with the single reads.
    QSet<QString> seen;
    for (const auto &[name, value] : IniText::sectionValues(file, sectionBytes->trimmed())) {
        const auto single = IniReference::value(file, sectionBytes->trimmed(), name);
        FUZZ_CHECK(single && *single == value, visible(name) + QStringLiteral("=") + visible(value));
        const QString folded = Codec::toText(name).toCaseFolded();
        FUZZ_CHECK(!seen.contains(folded), visible(name));
        seen.insert(folded);
    }
}

// Whether after is before with at most one key line of key replaced and at
// most two lines (the section header, the key line) inserted, every other
// line byte for byte as it was. A last line without its line end may gain
// one. Walked as states (line of before, inserted so far, replaced so far).
bool onlyOwnedLinesChanged(QByteArray before, QByteArray after, const QByteArray &section,
                           const QByteArray &key, const QByteArray &value)
{
    const QByteArray bom("\xEF\xBB\xBF");
    if (before.startsWith(bom)) {
        if (!after.startsWith(bom))
            return false;
        before.remove(0, 3);
        after.remove(0, 3);
    }
    const QList<QByteArray> b = IniReference::rawLines(before);
    const QList<QByteArray> a = IniReference::rawLines(after);
    auto isNewKeyLine = [&](const QByteArray &line) {
        const auto parsed = IniReference::parse(IniReference::contentOf(line, false));
        return parsed.kind == IniReference::Parsed::Key && IniReference::sameName(parsed.name, key)
               && parsed.value == value;
    };
    auto isHeader = [&](const QByteArray &line) {
        const auto parsed = IniReference::parse(IniReference::contentOf(line, false));
        return parsed.kind == IniReference::Parsed::Section
               && IniReference::sameName(parsed.name, section);
    };
    auto isOldKeyLine = [&](const QByteArray &line) {
        const auto parsed = IniReference::parse(IniReference::contentOf(line, false));
        return parsed.kind == IniReference::Parsed::Key && IniReference::sameName(parsed.name, key);
    };
    auto lineEnd = [](const QByteArray &line) {
        return line.endsWith("\r\n") ? QByteArray("\r\n")
                                     : line.endsWith('\n') ? QByteArray("\n")
                                                           : line.endsWith('\r') ? QByteArray("\r")
                                                                                 : QByteArray();
    };
    using State = std::tuple<qsizetype, int, int>; // line of b, inserted, replaced
    QList<State> todo{{0, 0, 0}};
    QSet<qsizetype> visited;
    while (!todo.isEmpty()) {
        const auto [i, inserted, replaced] = todo.takeLast();
        const qsizetype key3 = i * 8 + inserted * 2 + replaced;
        if (visited.contains(key3))
            continue;
        visited.insert(key3);
        const qsizetype j = i + inserted;
        if (i == b.size() && j == a.size())
            return true;
        if (j >= a.size())
            continue;
        if (i < b.size()) {
            const QByteArray &line = b[i];
            if (line == a[j])
                todo.append({i + 1, inserted, replaced});
            if (replaced == 0 && isOldKeyLine(line) && isNewKeyLine(a[j])
                && lineEnd(a[j]) == lineEnd(line))
                todo.append({i + 1, inserted, 1});
            const bool last = i + 1 == b.size() && !line.endsWith('\n');
            const QByteArray rest = a[j].mid(line.size());
            if (last && a[j].startsWith(line) && (rest == "\n" || rest == "\r\n"))
                todo.append({i + 1, inserted, replaced});
        }
        if (inserted < 2 && (isHeader(a[j]) || isNewKeyLine(a[j])))
            todo.append({i, inserted + 1, replaced});
    }
    return false;
}

void checkWriting(const QByteArray &file, const QString &section, const QString &key,
                  const QString &value)
{
    const auto written = IniProfile::withValue(file, section, key, value);
    const bool lineEndInValue = value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'));
    if (lineEndInValue)
        FUZZ_CHECK(!written, visible(value));
    else if (plainName(section) && plainName(key))
        FUZZ_CHECK(written, visible(section) + QStringLiteral(" ") + visible(key));
    if (!written)
        return;

    const QByteArray stored = storedValue(value);
    const QByteArray sectionBytes = bytesOf(section);
    const QByteArray keyBytes = bytesOf(key);
    FUZZ_CHECK(IniProfile::valueIn(*written, section, key, kDefault) == Codec::toText(stored),
               visible(IniProfile::valueIn(*written, section, key, kDefault)));
    FUZZ_CHECK(IniReference::value(*written, sectionBytes, keyBytes) == stored,
               visible(*written));
    FUZZ_CHECK(onlyOwnedLinesChanged(file, *written, sectionBytes, keyBytes, stored),
               visible(file) + QStringLiteral("\n->\n") + visible(*written));

    // Every other key reads as before.
    for (const auto &[s, k] : IniReference::names(file)) {
        if (IniReference::sameName(s, sectionBytes) && IniReference::sameName(k, keyBytes))
            continue;
        FUZZ_CHECK(IniReference::value(*written, s, k) == IniReference::value(file, s, k),
                   visible(s) + QStringLiteral("/") + visible(k));
    }
}

// The real file functions on a file in a private folder: a refused write
// leaves every byte; now and then an accepted one (each replaces the file
// durably, which is slow) writes exactly the bytes of the rule.
void checkRealFile(const QByteArray &file, const QString &section, const QString &key,
                   const QString &value, bool writeAccepted)
{
    const QString path = privateFolder().filePath(QStringLiteral("fuzz.ini"));
    const auto written = IniProfile::withValue(file, section, key, value);
    if (written && !writeAccepted)
        return;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size())
        propertyFailed("the private folder takes a file", path);
    out.close();
    const bool ok = IniProfile::WritePrivateProfileString(section, key, value, path);
    FUZZ_CHECK(ok == written.has_value(), visible(section) + QStringLiteral(" ") + visible(key));
    const auto now = WholeFile::read(path, IniProfile::kMaxFileSize);
    FUZZ_CHECK(now && *now == written.value_or(file), visible(now.value_or("(unreadable)")));
    FUZZ_CHECK(IniProfile::GetPrivateProfileString(section, key, kDefault, path)
                       == IniProfile::valueIn(*now, section, key, kDefault),
               visible(key));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t options = in.byte();
    const bool wide = options & 1;
    const QString section = FuzzInput::text(in.piece(12), wide);
    const QString key = FuzzInput::text(in.piece(12), wide);
    const QString value = FuzzInput::text(in.piece(40), wide);
    const QByteArray file = in.rest();

    if (tidyName(section) && tidyName(key))
        checkReading(file, section, key);
    checkWriting(file, section, key, value);
    checkRealFile(file, section, key, value, (options & 0xF0) == 0xF0);
    return 0;
}
