#include "controls/AccessKey.h"

QChar AccessKey::fromCaption(const QString& caption)
{
    const qsizetype length = caption.size();
    if (length <= 1)
        return {};
    const qsizetype first = caption.indexOf(u'&');
    if (first < 0 || first == length - 1)
        return {};
    if (caption.at(first + 1) != u'&')
        return caption.at(first + 1).toLower();

    const qsizetype next = caption.indexOf(u'&', first + 2);
    if (next < 0 || next == length - 1 || caption.at(next + 1) == u'&')
        return {};
    return caption.at(next + 1).toLower();
}

QString AccessKey::plainText(const QString& caption)
{
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&') {
            ++i;
            if (i == caption.size())
                break;
        }
        text.append(caption.at(i));
    }
    return text;
}
