#include "rendering/postmarkup.h"

#include <QVector>

namespace PostMarkup {

namespace {

struct TagRule
{
    const char *name;
    const char *attributes[3]; // the only attributes kept, nullptr-ended
    bool empty;                // has no end tag
};

// Text looks, line breaks and links; a link reaches the network only through the program's
// own handling of a click. No style, class or event attribute: nothing positions itself.
const TagRule kRules[] = {
    {"a", {"href", "target"}, false},
    {"b", {}, false},
    {"big", {}, false},
    {"br", {}, true},
    {"code", {}, false},
    {"em", {}, false},
    {"font", {"color", "size", "face"}, false},
    {"hr", {}, true},
    {"i", {}, false},
    {"rp", {}, false},
    {"rt", {}, false},
    {"ruby", {}, false},
    {"s", {}, false},
    {"small", {}, false},
    {"span", {}, false},
    {"strike", {}, false},
    {"strong", {}, false},
    {"sub", {}, false},
    {"sup", {}, false},
    {"tt", {}, false},
    {"u", {}, false},
    {"wbr", {}, true},
};

const TagRule *ruleOf(const QString &name)
{
    for (const TagRule &rule : kRules) {
        if (name == QLatin1String(rule.name))
            return &rule;
    }
    return nullptr;
}

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f');
}

bool isAsciiLetter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

struct Attribute
{
    QString name;
    QString value;
};

// One tag as the HTML tokenizer reads it, from just after its name. Returns the position after
// its ">", or -1 when the text ends inside it.
qsizetype readAttributes(const QString &s, qsizetype i, QVector<Attribute> &attributes)
{
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s.at(i);
        if (isSpace(c) || c == QLatin1Char('/')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('>'))
            return i + 1;
        Attribute a;
        const qsizetype nameStart = i++;
        while (i < n && !isSpace(s.at(i)) && s.at(i) != QLatin1Char('/') &&
               s.at(i) != QLatin1Char('>') && s.at(i) != QLatin1Char('='))
            ++i;
        a.name = s.mid(nameStart, i - nameStart).toLower();
        while (i < n && isSpace(s.at(i)))
            ++i;
        if (i < n && s.at(i) == QLatin1Char('=')) {
            ++i;
            while (i < n && isSpace(s.at(i)))
                ++i;
            if (i >= n)
                return -1;
            const QChar quote = s.at(i);
            if (quote == QLatin1Char('"') || quote == QLatin1Char('\'')) {
                const qsizetype close = s.indexOf(quote, i + 1);
                if (close < 0)
                    return -1;
                a.value = s.mid(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < n && !isSpace(s.at(i)) && s.at(i) != QLatin1Char('>'))
                    ++i;
                a.value = s.mid(valueStart, i - valueStart);
            }
        }
        attributes.append(a);
    }
    return -1;
}

void appendAsText(QString &out, QStringView raw)
{
    for (const QChar c : raw) {
        if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else
            out += c;
    }
}

// The innermost open tag of its kind closes with what opened inside it. An end tag this field
// did not open stays: a name's "</b>" before its trip ends the skin's bold.
void writeEndTag(QString &out, QVector<const TagRule *> &open, const TagRule *rule)
{
    const qsizetype k = open.lastIndexOf(rule);
    if (k < 0) {
        out += QLatin1String("</") + QLatin1String(rule->name) + QLatin1Char('>');
        return;
    }
    for (qsizetype j = open.size() - 1; j >= k; --j)
        out += QLatin1String("</") + QLatin1String(open.at(j)->name) + QLatin1Char('>');
    open.resize(k);
}

// A start tag with the attributes its rule keeps, each as a browser reads it back.
void writeStartTag(QString &out, const TagRule *rule, const QVector<Attribute> &attributes)
{
    out += QLatin1Char('<') + QLatin1String(rule->name);
    for (const char *allowed : rule->attributes) {
        if (!allowed)
            break;
        for (const Attribute &a : attributes) {
            if (a.name != QLatin1String(allowed))
                continue;
            // Read back the same by a browser; no "<" outside a tag of this list.
            QString value = a.value;
            value.replace(QLatin1Char('"'), QLatin1String("&quot;"))
                .replace(QLatin1Char('<'), QLatin1String("&lt;"))
                .replace(QLatin1Char('>'), QLatin1String("&gt;"));
            out += QLatin1Char(' ') + a.name + QLatin1String("=\"") + value + QLatin1Char('"');
            break; // the first of a name counts, as in a browser
        }
    }
    out += QLatin1Char('>');
}

} // namespace

QString Clean(const QString &html)
{
    const qsizetype n = html.size();
    QString out;
    out.reserve(n + 16);
    QVector<const TagRule *> open;
    QVector<Attribute> attributes;
    int tags = 0;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = html.indexOf(QLatin1Char('<'), i);
        if (lt < 0) {
            out += QStringView(html).mid(i);
            break;
        }
        out += QStringView(html).mid(i, lt - i);
        i = lt;
        const QChar next = i + 1 < n ? html.at(i + 1) : QChar();
        // Comments, declarations and processing instructions are not shown by a browser.
        if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
            const bool comment = QStringView(html).mid(i, 4) == QLatin1String("<!--");
            const qsizetype close = comment ? html.indexOf(QLatin1String("-->"), i + 4)
                                            : html.indexOf(QLatin1Char('>'), i + 2);
            i = close < 0 ? n : close + (comment ? 3 : 1);
            continue;
        }
        const bool endTag = next == QLatin1Char('/');
        const qsizetype nameStart = i + (endTag ? 2 : 1);
        if (nameStart >= n || !isAsciiLetter(html.at(nameStart))) {
            out += QLatin1String("&lt;"); // a "<" that starts no tag is text
            ++i;
            continue;
        }
        qsizetype nameEnd = nameStart + 1;
        while (nameEnd < n && !isSpace(html.at(nameEnd)) && html.at(nameEnd) != QLatin1Char('/') &&
               html.at(nameEnd) != QLatin1Char('>'))
            ++nameEnd;
        attributes.clear();
        const qsizetype after = readAttributes(html, nameEnd, attributes);
        if (after < 0)
            break; // a tag the text ends in: a browser drops it too
        const TagRule *rule = ruleOf(html.mid(nameStart, nameEnd - nameStart).toLower());
        const QStringView raw = QStringView(html).mid(i, after - i);
        i = after;
        // Past the bound a tag is dropped, shown or not: no post nests or repeats without end.
        if (tags >= kMaxTags)
            continue;
        ++tags;
        if (!rule) {
            appendAsText(out, raw);
            continue;
        }
        if (endTag) {
            writeEndTag(out, open, rule);
            continue;
        }
        writeStartTag(out, rule, attributes);
        if (!rule->empty)
            open.append(rule);
    }
    for (qsizetype j = open.size() - 1; j >= 0; --j)
        out += QLatin1String("</") + QLatin1String(open.at(j)->name) + QLatin1Char('>');
    return out;
}

} // namespace PostMarkup
