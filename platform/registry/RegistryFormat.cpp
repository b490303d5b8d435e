#include "RegistryFormat.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>

namespace ostan::registry {

const QString FileHeader = QStringLiteral("Windows Registry Editor Version 5.00");

bool HasLineBreak(const QString& S) { return S.contains(u'\n') || S.contains(u'\r'); }

namespace {

QString Escaped(const QString& S)
{
    QString out;
    out.reserve(S.size() + 2);
    for (QChar c : S) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    return out;
}

// A string with a line break cannot stand between quotes on one line; it is
// written as the format's UTF-16 hex form instead.
QString HexStringData(const QString& S)
{
    QStringList bytes;
    for (QChar c : S + QChar(0)) {
        bytes << QStringLiteral("%1").arg(c.unicode() & 0xFF, 2, 16, QChar(u'0'));
        bytes << QStringLiteral("%1").arg(c.unicode() >> 8, 2, 16, QChar(u'0'));
    }
    return QStringLiteral("hex(1):") + bytes.join(u',');
}

// Reads a quoted string starting at S[Pos] == '"'; Pos ends past the closing
// quote. Only \\ and \" are escapes, as in the format.
bool ReadQuoted(QStringView S, qsizetype& Pos, QString& Out)
{
    ++Pos;
    // Most names and texts hold no backslash: taken in one copy.
    const qsizetype close = S.indexOf(u'"', Pos);
    if (close >= 0 && !S.sliced(Pos, close - Pos).contains(u'\\')) {
        Out += S.sliced(Pos, close - Pos);
        Pos = close + 1;
        return true;
    }
    while (Pos < S.size()) {
        QChar c = S[Pos++];
        if (c == u'"')
            return true;
        if (c == u'\\' && Pos < S.size() && (S[Pos] == u'\\' || S[Pos] == u'"'))
            c = S[Pos++];
        Out += c;
    }
    return false;
}

// "dword:" and one to eight hex digits.
bool IsDwordData(QStringView Data)
{
    if (!Data.startsWith(QStringLiteral("dword:")) || Data.size() < 7 || Data.size() > 14)
        return false;
    return std::all_of(Data.begin() + 6, Data.end(), [](QChar c) { return c.unicode() < 128 && std::isxdigit(c.unicode()); });
}

} // namespace

QByteArray Serialise(const Store& S)
{
    QString out = FileHeader + QStringLiteral("\n\n");
    for (const auto& key : S.Keys()) {
        out += u'[' + key.Path + QStringLiteral("]\n");
        for (const auto& v : key.Values) {
            out += v.Name.isEmpty() ? QStringLiteral("@") : u'"' + Escaped(v.Name) + u'"';
            out += u'=';
            switch (v.Type) {
            case VType::Dword:
                out += QStringLiteral("dword:%1").arg(v.Dword, 8, 16, QChar(u'0'));
                break;
            case VType::String:
                out += HasLineBreak(v.Text) ? HexStringData(v.Text) : u'"' + Escaped(v.Text) + u'"';
                break;
            case VType::Raw:
                out += v.Text;
                break;
            }
            out += u'\n';
        }
        out += u'\n';
    }
    return out.toUtf8();
}

bool Parse(const QByteArray& Data, Store& Out, QString& Error)
{
    // The registry editor of Windows exports UTF-16LE with a byte-order mark.
    const bool utf16 = Data.startsWith("\xFF\xFE");
    if (utf16 && Data.size() % 2) {
        Error = QStringLiteral("текст в кодировке UTF-16 оборван");
        return false;
    }
    QStringDecoder decoder(utf16 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8);
    const QString text = decoder(Data);
    if (decoder.hasError()) {
        Error = utf16 ? QStringLiteral("текст не в кодировке UTF-16") : QStringLiteral("текст не в кодировке UTF-8");
        return false;
    }
    // The lines as views into the text, one at a time: a large store is read
    // without a copy per line.
    const QStringView all(text);
    qsizetype next = 0; // where the line after the one read starts
    auto readLine = [&](QStringView& Line) {
        if (next > all.size())
            return false;
        qsizetype end = all.indexOf(u'\n', next);
        if (end < 0)
            end = all.size();
        Line = all.sliced(next, end - next);
        if (Line.endsWith(u'\r'))
            Line.chop(1);
        next = end + 1;
        return true;
    };

    static const QRegularExpression hexData(
        QStringLiteral("^hex(?:\\(([0-9a-fA-F]{1,8})\\))?:((?:[0-9a-fA-F]{2}(?:,[0-9a-fA-F]{2})*)?)$"));

    bool headerSeen = false;
    RegKey* section = nullptr;
    QStringView raw;
    for (qsizetype i = 0; readLine(raw); ++i) {
        const qsizetype lineNo = i + 1;
        const QStringView line = raw.trimmed();
        auto fail = [&](const QString& Why) {
            Error = QStringLiteral("строка %1: %2").arg(lineNo).arg(Why);
            return false;
        };
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (line != FileHeader)
                return fail(QStringLiteral("нет заголовка \"%1\"").arg(FileHeader));
            headerSeen = true;
            continue;
        }
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']') || line.size() < 3)
                return fail(QStringLiteral("неверный заголовок раздела"));
            const QList<QStringView> parts = line.mid(1, line.size() - 2).split(u'\\');
            if (!parts[0].startsWith(QStringLiteral("HKEY_"), Qt::CaseInsensitive)
                || std::any_of(parts.begin(), parts.end(), [](QStringView p) { return p.isEmpty(); }))
                return fail(QStringLiteral("неверный путь раздела"));
            QString path = parts[0].toString().toUpper();
            for (qsizetype n = 1; n < parts.size(); ++n)
                path += u'\\' + parts[n].toString();
            section = &Out.Section(path);
            continue;
        }
        if (!section)
            return fail(QStringLiteral("значение вне раздела"));

        RegValue v;
        qsizetype pos = 0;
        if (line.startsWith(u'@'))
            pos = 1;
        else if (!line.startsWith(u'"') || !ReadQuoted(line, pos, v.Name))
            return fail(QStringLiteral("неверное имя значения"));
        if (pos >= line.size() || line[pos] != u'=')
            return fail(QStringLiteral("нет знака \"=\""));
        const QStringView value = line.mid(pos + 1).trimmed();

        if (value.startsWith(u'"')) {
            qsizetype p = 0;
            if (!ReadQuoted(value, p, v.Text) || p != value.size())
                return fail(QStringLiteral("неверная строка"));
        } else if (IsDwordData(value)) {
            v.Type = VType::Dword;
            v.Dword = value.mid(6).toUInt(nullptr, 16);
        } else if (value.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive)) {
            QString data = value.toString();
            // Hex data may go on over lines that end in "\".
            while (data.endsWith(u'\\') && readLine(raw)) {
                ++i;
                data.chop(1);
                data += raw.trimmed();
            }
            data.remove(u' ');
            data.remove(u'\t');
            if (data.endsWith(u','))
                data.chop(1);
            const auto m = hexData.match(data);
            if (!m.hasMatch())
                return fail(QStringLiteral("неверные двоичные данные"));
            if (m.captured(1).toUInt(nullptr, 16) == 1 && !m.captured(1).isEmpty()) {
                const QByteArray bytes = QByteArray::fromHex(m.captured(2).remove(u',').toLatin1());
                if (bytes.size() % 2)
                    return fail(QStringLiteral("неверная строка UTF-16"));
                for (qsizetype b = 0; b + 1 < bytes.size(); b += 2)
                    v.Text += QChar(char16_t(uint8_t(bytes[b]) | uint8_t(bytes[b + 1]) << 8));
                while (v.Text.endsWith(QChar(0)))
                    v.Text.chop(1);
            } else {
                v.Type = VType::Raw; // kept as it stands; reads see another type
                v.Text = data;
            }
        } else {
            return fail(QStringLiteral("неизвестный тип данных"));
        }
        section->Put(std::move(v)); // a later line for the same name replaces it
    }
    if (!headerSeen) {
        Error = QStringLiteral("нет заголовка \"%1\"").arg(FileHeader);
        return false;
    }
    return true;
}

} // namespace ostan::registry
