#include "RegistryFormat.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>

namespace ostan::registry {

const QString FileHeader = QStringLiteral("Windows Registry Editor Version 5.00");

bool NotQuotable(const QString& S) { return S.contains(u'\n') || S.contains(u'\r') || S.contains(QChar(0)); }

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

// A string with a line break or a NUL cannot stand between quotes on one
// line; it is written as the format's UTF-16 hex form instead.
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
                out += NotQuotable(v.Text) ? HexStringData(v.Text) : u'"' + Escaped(v.Text) + u'"';
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

namespace {

// The lines of the text as views into it, one at a time: a large store is
// read without a copy per line.
class TLines {
public:
    explicit TLines(QStringView Text) : All(Text) {}

    bool Next(QStringView& Line)
    {
        if (Start > All.size())
            return false;
        qsizetype End = All.indexOf(u'\n', Start);
        if (End < 0)
            End = All.size();
        Line = All.sliced(Start, End - Start);
        if (Line.endsWith(u'\r'))
            Line.chop(1);
        Start = End + 1;
        ++Count;
        return true;
    }
    qsizetype Number() const { return Count; } // of the line read last, from 1

private:
    QStringView All;
    qsizetype Start = 0;
    qsizetype Count = 0;
};

constexpr QChar Nul(0);

// "[HKEY_...\...]": the section that lines after it fill.
bool ParseSection(QStringView Line, Store& Out, RegKey*& Section, QString& Why)
{
    if (!Line.endsWith(u']') || Line.size() < 3) {
        Why = QStringLiteral("неверный заголовок раздела");
        return false;
    }
    const QStringView Inner = Line.mid(1, Line.size() - 2);
    if (Inner.contains(Nul)) {
        Why = QStringLiteral("нулевой байт в пути раздела");
        return false;
    }
    const QList<QStringView> Parts = Inner.split(u'\\');
    if (!Parts[0].startsWith(QStringLiteral("HKEY_"), Qt::CaseInsensitive)
        || std::any_of(Parts.begin(), Parts.end(), [](QStringView P) { return P.isEmpty(); })) {
        Why = QStringLiteral("неверный путь раздела");
        return false;
    }
    QString Path = Parts[0].toString().toUpper();
    for (qsizetype N = 1; N < Parts.size(); ++N)
        Path += u'\\' + Parts[N].toString();
    Section = &Out.Section(Path);
    return true;
}

// Hex data as it stands after "=", with the lines that continue it after a
// trailing "\", without blanks and a trailing ",".
QString HexContinued(QStringView First, TLines& Lines)
{
    QString Data = First.toString();
    QStringView Raw;
    while (Data.endsWith(u'\\') && Lines.Next(Raw)) {
        Data.chop(1);
        Data += Raw.trimmed();
    }
    Data.remove(u' ');
    Data.remove(u'\t');
    if (Data.endsWith(u','))
        Data.chop(1);
    return Data;
}

// "hex:..." or "hex(<type>):...": a string for type 1 (UTF-16, as the
// format writes a text with line breaks), any other kept as it stands.
bool ParseHexData(const QString& Data, RegValue& V, QString& Why)
{
    static const QRegularExpression HexData(
        QStringLiteral("^hex(?:\\(([0-9a-fA-F]{1,8})\\))?:((?:[0-9a-fA-F]{2}(?:,[0-9a-fA-F]{2})*)?)$"));
    const auto M = HexData.match(Data);
    if (!M.hasMatch()) {
        Why = QStringLiteral("неверные двоичные данные");
        return false;
    }
    if (M.captured(1).isEmpty() || M.captured(1).toUInt(nullptr, 16) != 1) {
        V.Type = VType::Raw; // kept as it stands; reads see another type
        V.Text = Data;
        return true;
    }
    const QByteArray Bytes = QByteArray::fromHex(M.captured(2).remove(u',').toLatin1());
    if (Bytes.size() % 2) {
        Why = QStringLiteral("неверная строка UTF-16");
        return false;
    }
    for (qsizetype B = 0; B + 1 < Bytes.size(); B += 2)
        V.Text += QChar(char16_t(uint8_t(Bytes[B]) | uint8_t(Bytes[B + 1]) << 8));
    while (V.Text.endsWith(Nul))
        V.Text.chop(1);
    return true;
}

// A value line: `"name"=data` or `@=data`; hex data may take the lines after it.
bool ParseValueLine(QStringView Line, TLines& Lines, RegValue& V, QString& Why)
{
    qsizetype Pos = 0;
    if (Line.startsWith(u'@'))
        Pos = 1;
    else if (!Line.startsWith(u'"') || !ReadQuoted(Line, Pos, V.Name)) {
        Why = QStringLiteral("неверное имя значения");
        return false;
    }
    // A name with a NUL byte can be neither written back nor asked for.
    if (V.Name.contains(Nul)) {
        Why = QStringLiteral("нулевой байт в имени значения");
        return false;
    }
    if (Pos >= Line.size() || Line[Pos] != u'=') {
        Why = QStringLiteral("нет знака \"=\"");
        return false;
    }
    const QStringView Value = Line.mid(Pos + 1).trimmed();
    if (Value.startsWith(u'"')) {
        qsizetype P = 0;
        if (!ReadQuoted(Value, P, V.Text) || P != Value.size()) {
            Why = QStringLiteral("неверная строка");
            return false;
        }
        if (V.Text.contains(Nul)) {
            Why = QStringLiteral("нулевой байт в строке");
            return false;
        }
        return true;
    }
    if (IsDwordData(Value)) {
        V.Type = VType::Dword;
        V.Dword = Value.mid(6).toUInt(nullptr, 16);
        return true;
    }
    if (Value.startsWith(QStringLiteral("hex"), Qt::CaseInsensitive))
        return ParseHexData(HexContinued(Value, Lines), V, Why);
    Why = QStringLiteral("неизвестный тип данных");
    return false;
}

} // namespace

bool Parse(const QByteArray& Data, Store& Out, QString& Error)
{
    // The registry editor of Windows exports UTF-16LE with a byte-order mark.
    const bool Utf16 = Data.startsWith("\xFF\xFE");
    if (Utf16 && Data.size() % 2) {
        Error = QStringLiteral("текст в кодировке UTF-16 оборван");
        return false;
    }
    QStringDecoder Decoder(Utf16 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8);
    const QString Text = Decoder(Data);
    if (Decoder.hasError()) {
        Error = Utf16 ? QStringLiteral("текст не в кодировке UTF-16") : QStringLiteral("текст не в кодировке UTF-8");
        return false;
    }
    const QString NoHeader = QStringLiteral("нет заголовка \"%1\"").arg(FileHeader);
    TLines Lines(Text);
    bool HeaderSeen = false;
    RegKey* Section = nullptr;
    QStringView Raw;
    while (Lines.Next(Raw)) {
        const qsizetype LineNo = Lines.Number(); // a value's first line, also when it goes on
        const QStringView Line = Raw.trimmed();
        QString Why;
        bool Good = true;
        if (Line.isEmpty() || Line.startsWith(u';'))
            continue;
        if (!HeaderSeen) {
            HeaderSeen = Line == FileHeader;
            Good = HeaderSeen;
            Why = NoHeader;
        } else if (Line.startsWith(u'[')) {
            Good = ParseSection(Line, Out, Section, Why);
        } else if (!Section) {
            Good = false;
            Why = QStringLiteral("значение вне раздела");
        } else {
            RegValue V;
            Good = ParseValueLine(Line, Lines, V, Why);
            if (Good)
                Section->Put(std::move(V)); // a later line for the same name replaces it
        }
        if (!Good) {
            Error = QStringLiteral("строка %1: %2").arg(LineNo).arg(Why);
            return false;
        }
    }
    if (!HeaderSeen) {
        Error = NoHeader;
        return false;
    }
    return true;
}

} // namespace ostan::registry
