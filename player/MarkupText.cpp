#include "player/MarkupText.h"

#include <QStringList>

namespace {

// Elements whose start or end begins a new line on the page.
bool BreaksLine(const QString& name) {
    static const QStringList kBlocks = {"br", "p",  "div", "li", "tr", "h1",    "h2",         "h3",
                                        "h4", "h5", "h6",  "ul", "ol", "table", "blockquote", "pre"};
    return kBlocks.contains(name);
}

// The character a reference such as "amp", "#38" or "#x26" stands for; empty when it is not one.
QString Reference(const QString& name) {
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
        const uint code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return {};
        const char32_t character = code;
        return QString::fromUcs4(&character, 1);
    }
    static const QStringList kNames = {"amp", "lt", "gt", "quot", "apos", "nbsp"};
    static const QString kCharacters = QStringLiteral("&<>\"' ");
    const qsizetype at = kNames.indexOf(name);
    return at < 0 ? QString() : QString(kCharacters[at]);
}

// Where the tag starting at `from` ends: its '>' outside quoted attribute values; -1 when it does not.
qsizetype TagEnd(const QString& markup, qsizetype from) {
    QChar quote;
    for (qsizetype i = from; i < markup.size(); ++i) {
        const QChar c = markup[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('>')) {
            return i;
        }
    }
    return -1;
}

} // namespace

QString MarkupText::Plain(const QString& markup) {
    QString text;
    qsizetype i = 0;
    const qsizetype n = markup.size();
    while (i < n) {
        const QChar c = markup[i];
        if (c == QLatin1Char('<') && i + 1 < n &&
            (markup[i + 1].isLetter() || markup[i + 1] == QLatin1Char('/') ||
             markup[i + 1] == QLatin1Char('!'))) {
            if (markup.mid(i, 4) == QLatin1String("<!--")) {
                const qsizetype end = markup.indexOf(QLatin1String("-->"), i + 4);
                i = end < 0 ? n : end + 3;
                continue;
            }
            const qsizetype end = TagEnd(markup, i);
            if (end < 0)
                break; // an unfinished tag shows nothing
            const bool closing = markup[i + 1] == QLatin1Char('/');
            qsizetype nameEnd = i + (closing ? 2 : 1);
            while (nameEnd < end && markup[nameEnd].isLetterOrNumber())
                ++nameEnd;
            const QString name = markup.mid(i + (closing ? 2 : 1), nameEnd - i - (closing ? 2 : 1)).toLower();
            i = end + 1;
            if (BreaksLine(name))
                text += QLatin1Char('\n');
            if (!closing && (name == QLatin1String("style") || name == QLatin1String("script"))) {
                const qsizetype close = markup.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
                const qsizetype after = close < 0 ? -1 : markup.indexOf(QLatin1Char('>'), close);
                i = after < 0 ? n : after + 1;
            }
            continue;
        }
        if (c == QLatin1Char('&')) {
            const qsizetype end = markup.indexOf(QLatin1Char(';'), i);
            if (end > i + 1 && end - i <= 10) {
                const QString character = Reference(markup.mid(i + 1, end - i - 1));
                if (!character.isEmpty()) {
                    text += character;
                    i = end + 1;
                    continue;
                }
            }
        }
        // White space in the markup shows as one blank.
        if (c.isSpace() && c != QChar::Nbsp) {
            if (!text.isEmpty() && !text.back().isSpace())
                text += QLatin1Char(' ');
        } else {
            text += c;
        }
        ++i;
    }
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines << trimmed;
    }
    return lines.join(QLatin1Char('\n'));
}
