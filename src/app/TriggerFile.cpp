#include "app/TriggerFile.h"

#include "app/IniProfile.h"
#include "app/IniText.h"
#include "app/WholeFile.h"
#include "text/Codec.h"

#include <QDir>

#include <algorithm>
#include <map>

namespace {

constexpr QByteArrayView kSwitchSection("Triggers");
constexpr QByteArrayView kRulePrefix("Trigger");
constexpr QByteArrayView kOwnKeys[] = {"Active", "When", "Send", "Slot", "AfterMs"};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && (isBlank(text.back()) || text.back() == '\r' || text.back() == '\n'))
        text.chop(1);
    return text;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return QByteArray::fromRawData(a.data(), a.size())
               .compare(QByteArray::fromRawData(b.data(), b.size()), Qt::CaseInsensitive) == 0;
}

// The name of a section header line; null for any other line.
QByteArray headerName(QByteArrayView line)
{
    const QByteArrayView t = trimmed(line);
    const qsizetype close = t.indexOf(']');
    if (!t.startsWith('[') || close < 0)
        return {};
    return trimmed(t.sliced(1, close - 1)).toByteArray();
}

bool isOwnKeyLine(QByteArrayView line)
{
    const QByteArrayView t = trimmed(line);
    const qsizetype eq = t.indexOf('=');
    if (t.isEmpty() || t.front() == ';' || t.front() == '#' || eq <= 0)
        return false;
    const QByteArrayView name = trimmed(t.first(eq));
    return std::any_of(std::begin(kOwnKeys), std::end(kOwnKeys),
                       [name](QByteArrayView own) { return sameName(name, own); });
}

// N of "TriggerN" (N from 1); 0 for any other name.
int ruleNumber(QByteArrayView name)
{
    if (name.size() <= kRulePrefix.size() || !sameName(name.first(kRulePrefix.size()), kRulePrefix))
        return 0;
    bool ok = false;
    const int n = name.sliced(kRulePrefix.size()).toInt(&ok);
    const bool digitsOnly = std::all_of(name.begin() + kRulePrefix.size(), name.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
    return ok && digitsOnly && n > 0 ? n : 0;
}

struct Section {
    QByteArray name;
    QByteArray text; // header included
};

QList<Section> sectionsOf(QByteArrayView bytes, QByteArray &preamble)
{
    QList<Section> sections;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', at);
        const qsizetype end = lf < 0 ? bytes.size() : lf + 1;
        const QByteArrayView line = bytes.sliced(at, end - at);
        const QByteArray name = headerName(line);
        if (!name.isNull())
            sections.append({name, {}});
        (sections.isEmpty() ? preamble : sections.back().text) += line;
        at = end;
    }
    return sections;
}

QByteArray withLineEnd(QByteArray text)
{
    if (!text.isEmpty() && !text.endsWith('\n'))
        text += "\r\n";
    return text;
}

QByteArray keptLines(QByteArrayView section)
{
    QByteArray kept;
    qsizetype at = section.indexOf('\n') + 1; // past the header
    while (at > 0 && at < section.size()) {
        const qsizetype lf = section.indexOf('\n', at);
        const qsizetype end = lf < 0 ? section.size() : lf + 1;
        if (!isOwnKeyLine(section.sliced(at, end - at)))
            kept += section.sliced(at, end - at);
        at = end;
    }
    return withLineEnd(kept);
}

// A whole number from low to high, or nothing.
std::optional<int> numberIn(const QString &text, int low, int high)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= low && n <= high ? std::optional<int>(n) : std::nullopt;
}

TriggerRule ruleOf(const Section &section, int number)
{
    TriggerRule rule;
    rule.number = number;
    rule.section = withLineEnd(section.text);
    rule.kept = keptLines(section.text);
    const auto values = IniText::sectionValues(section.text, section.name);
    const auto value = [&values](QByteArrayView key) -> std::optional<QString> {
        for (const auto &[name, v] : values)
            if (sameName(name, key))
                return Codec::toText(v);
        return std::nullopt;
    };
    const auto number_ = [&rule, &value](QByteArrayView key, int low, int high, int fallback) {
        const auto text = value(key);
        if (!text)
            return fallback;
        const auto n = numberIn(*text, low, high);
        if (!n && rule.badKey.isEmpty())
            rule.badKey = QString::fromLatin1(key);
        return n.value_or(fallback);
    };
    rule.active = number_("Active", 0, 1, 1) == 1;
    rule.when = value("When").value_or(QString());
    rule.send = value("Send").value_or(QString());
    rule.slot = number_("Slot", 0, 8, 0);
    rule.afterMs = number_("AfterMs", 0, TriggerRule::kMostAfterMs, 0);
    return rule;
}

QByteArray keyLine(QByteArrayView key, const QString &value)
{
    return key.toByteArray() + '=' + IniText::quotedIfNeeded(Codec::toBytesReplacing(value, '?')) +
           "\r\n";
}

} // namespace

QList<int> TriggerSet::ruleNumbers() const
{
    QList<int> numbers;
    int next = 1;
    for (qsizetype i = 0; i < rules.size(); ++i) {
        while (std::any_of(skipped.begin(), skipped.end(),
                           [next](const Skipped &s) { return s.number == next; }))
            ++next;
        numbers << next++;
    }
    return numbers;
}

QString TriggerFile::path(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Triggers.ini"));
}

TriggerSet TriggerFile::parse(QByteArrayView bytes)
{
    TriggerSet set;
    bool switchSeen = false;
    std::map<int, TriggerRule> rules;
    for (const Section &section : sectionsOf(bytes, set.preamble)) {
        const int number = ruleNumber(section.name);
        if (!switchSeen && sameName(section.name, kSwitchSection)) {
            switchSeen = true;
            const auto active = IniText::findValue(section.text, section.name, "Active");
            set.active = !active || trimmed(*active) != "0";
            set.switchKept = keptLines(section.text);
        } else if (number > 0 && rules.count(number) == 0) {
            rules.emplace(number, ruleOf(section, number));
        } else {
            set.otherKept += withLineEnd(section.text);
        }
    }
    for (auto &[number, rule] : rules)
        set.rules.append(std::move(rule));
    return set;
}

QByteArray TriggerFile::bytes(const TriggerSet &set)
{
    QByteArray out = withLineEnd(set.preamble);
    out += "[Triggers]\r\n";
    out += keyLine("Active", set.active ? QStringLiteral("1") : QStringLiteral("0"));
    out += set.switchKept;
    // Rules and skipped sections by their numbers.
    std::map<int, QByteArray> sections;
    for (const TriggerSet::Skipped &skipped : set.skipped)
        sections[skipped.number] = withLineEnd(skipped.section);
    const QList<int> numbers = set.ruleNumbers();
    for (qsizetype i = 0; i < set.rules.size(); ++i) {
        const TriggerRule &rule = set.rules[i];
        QByteArray &text = sections[numbers[i]];
        text = "[Trigger" + QByteArray::number(numbers[i]) + "]\r\n";
        text += keyLine("Active", rule.active ? QStringLiteral("1") : QStringLiteral("0"));
        text += keyLine("When", rule.when);
        text += keyLine("Send", rule.send);
        text += keyLine("Slot", QString::number(rule.slot));
        text += keyLine("AfterMs", QString::number(rule.afterMs));
        text += rule.kept;
    }
    for (const auto &[number, text] : sections)
        out += text;
    return out + set.otherKept;
}

TriggerSet TriggerFile::read(const QString &path)
{
    const auto content = WholeFile::read(path, IniProfile::kMaxFileSize);
    return content ? parse(*content) : TriggerSet{};
}

int TriggerFile::write(const TriggerSet &set, const QString &path)
{
    int error = 0;
    WholeFile::replace(path, bytes(set), &error);
    return error;
}
