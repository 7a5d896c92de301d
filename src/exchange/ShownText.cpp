#include "exchange/ShownText.h"

QString ShownText::escaped(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // C0 controls, DEL and the C1 controls (0x9b is a terminal's one-byte escape sequence start).
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0))
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString ShownText::quotedLine(const QByteArray& line)
{
    constexpr qsizetype Shown = 60;
    QString text = QString::fromUtf8(line.left(Shown * 4));
    const bool cut = text.size() > Shown || line.size() > Shown * 4;
    if (cut)
        text = text.left(Shown);
    return u'"' + escaped(text) + (cut ? QStringLiteral("...\"") : QStringLiteral("\""));
}

QString ShownText::quoted(const QString& text)
{
    return u'"' + escaped(text) + u'"';
}
