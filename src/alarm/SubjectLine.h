#pragma once

#include "forms/ClickLabel.h"

#include <QFont>
#include <QSize>
#include <QTextOption>

// The alarm window's subject line: the whole subject is always shown. A subject too long for one line
// wraps to a second in the same box, between words where it can and anywhere in a word too long for a
// line; one that does not fit even so is drawn in a smaller type until it does.
class SubjectLine : public ClickLabel
{
    Q_OBJECT

public:
    explicit SubjectLine(QWidget* parent = nullptr);

    // The type the text is drawn in: the label's own, or the largest smaller one at which every character
    // fits the box.
    QFont shownFont() const;

    // How the subject is broken into lines.
    static QTextOption wrapping();
    // The largest type of the given one or smaller, in steps of a quarter point, at which the text laid
    // out with wrapping() fits the box; the smallest step when none does.
    static QFont fittingFont(const QString& text, const QFont& font, const QSize& box);
    // The size the text takes when laid out in lines of the given width.
    static QSize laidOutSize(const QString& text, const QFont& font, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
};
