#pragma once

#include <QChar>
#include <QString>

// The access key a caption marks with "&": the character after the first single ampersand, in
// lower case. "&&" stands for a literal ampersand and only the ampersand right after one such pair
// is looked at.
class AccessKey
{
public:
    static QChar fromCaption(const QString& caption);
    // The caption as it shows: single ampersands left out, "&&" as one ampersand.
    static QString plainText(const QString& caption);
};
