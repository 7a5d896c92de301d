#pragma once

#include "controls/CommandAccessible.h"

class ClickLabel;

// What assistive tools see of a picture or a link that works a command (a window's close picture, the
// organizer's "Click here"): a command named by its accessible name or its text. Labels that only show
// text keep the interface Qt gives them.
class ClickLabelAccessible : public CommandAccessible
{
public:
    explicit ClickLabelAccessible(ClickLabel* label);

    // Makes Qt hand out this interface for every label with a command key; safe to call more than once.
    static void install();

    QString text(QAccessible::Text t) const override;

protected:
    void press() override;

private:
    ClickLabel* label() const;
};
