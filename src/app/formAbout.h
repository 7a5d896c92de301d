#pragma once

#include <QWidget>

class QPushButton;
class ScreenService;
class VemraButton;

// The small credits window that the splash window's "Author" button opens.
class formAbout : public QWidget
{
    Q_OBJECT

public:
    explicit formAbout(const ScreenService& screen, QWidget* parent = nullptr);

    // Loads the window (top-most, centred) and shows it.
    void ShowCredits();

    void VemraButton1_Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const ScreenService& m_screen;
    VemraButton* m_vemraButton1;
    QPushButton* m_cmdSetfocus;
};
