#pragma once

#include "controls/CommandAccessible.h"

class VemraButton;

// What assistive tools see of an owner-drawn button: a command named by its caption without the
// access-key mark.
class VemraButtonAccessible : public CommandAccessible
{
public:
    explicit VemraButtonAccessible(VemraButton* button);

    // Makes Qt hand out this interface for every VemraButton; safe to call more than once.
    static void install();

    QString text(QAccessible::Text t) const override;

protected:
    void press() override;
    QKeySequence accessKey() const override;

private:
    VemraButton* button() const;
};
