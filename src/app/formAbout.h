#pragma once

#include "forms/DesignForm.h"

class ScreenService;
class VemraButton;

// The small credits window that the splash window's "Author" button opens.
class formAbout : public DesignForm
{
    Q_OBJECT

public:
    explicit formAbout(const ScreenService& screen, QWidget* parent = nullptr);

    // Shows the window, loading it first (top-most, centred).
    void ShowCredits();

    void Form_Load() override;
    void VemraButton1_Click();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ScreenService& m_screen;
    VemraButton* m_vemraButton1;
};
