#pragma once

#include "store/MonthGrid.h"

#include <QKeySequence>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class ClickLabel;
class FlatDecorator;
class QPushButton;
class ScreenService;

// The base of the program's own windows: borderless, laid out in design units, loaded before they are
// first shown and unloaded when they close. It carries what every such window needs and would otherwise
// write again: the hidden focus sink `cmdSetfocus` that takes the keyboard focus from owner-drawn
// buttons, the flat look of text and combo boxes (released at unload), the drag by a title strip, the
// close picture and centring on the screen.
//
// A window names its steps as the design does: Form_Load runs before the first show (and again before a
// show that follows an unload), Form_QueryUnload may keep the window open when it is closed,
// Form_Unload runs when it closes, and Form_Activate whenever it becomes the active window while loaded.
class DesignForm : public QWidget
{
    Q_OBJECT

public:
    enum class Band
    {
        Normal,
        TopMost // stays above all normal windows
    };

    DesignForm(const QString& name, const QString& title, Band band, QWidget* parent = nullptr);
    ~DesignForm() override;

    bool isLoaded() const { return m_loaded; }
    // Loads the window unless it is loaded already; an opener that fills in values before showing the
    // window calls this first.
    void loadIfNeeded();

    QPushButton* cmdSetfocus() const { return m_cmdSetfocus; }

    // The control the keys pressed in `cmdSetfocus` work on, which is where assistive tools see the
    // focus while the sink holds it: the command last reached with Tab or the mouse, else the window's
    // chosen day. nullptr while a field has the focus or the window has nothing to work on.
    QWidget* keyboardTarget() const;
    // Tells assistive tools that the focus is on keyboardTarget(), once the events now waiting are done
    // (so that it follows what Qt itself reports of the sink).
    void announceKeyboardTarget();
    // The stops Tab and Shift+Tab walk now, in order: enabled fields and commands shown on the window,
    // and `cmdSetfocus` standing for the days where the window has days.
    std::vector<QWidget*> keyboardStops() const;
    // An alert window is announced as such whenever it shows, with its name and description.
    bool isAlert() const { return m_alert; }

    // The close picture of the title strips: a white cross on black, 17 pixels square.
    static QPixmap closePicture();

    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    // A key pressed while the focus rests in `cmdSetfocus`, as it does whenever no text box or list has
    // it; returns true when the window used the key. Keys with Alt (access keys) never come here.
    virtual bool Form_KeyPress(int /*key*/, Qt::KeyboardModifiers /*modifiers*/) { return false; }

signals:
    // The window has closed and unloaded.
    void Unloaded();

protected:
    // Returns false to keep the window open.
    virtual bool Form_QueryUnload() { return true; }
    virtual void Form_Unload() {}

    // A fixed client area of the given design size.
    void setDesignSize(int widthTwips, int heightTwips);
    BgrColor BackColor() const;
    void setBackColor(BgrColor color);

    // From now on the control hands the keyboard focus on to `cmdSetfocus` as soon as it gets it, so
    // that no owner-drawn button ever shows a focus state.
    void passFocusOn(QWidget* control);
    // Gives a combo or text box the flat look until the window unloads.
    void decorate(QWidget* control);
    // The order Tab walks, where the order the controls were made in is not the order they are read in;
    // `cmdSetfocus` in the list stands for the window's days.
    void setKeyboardOrder(const std::vector<QWidget*>& order);
    void setAlert(bool alert) { m_alert = alert; }
    // Names a field by its caption for assistive tools, the inner box a reader lands on included.
    static void nameField(QWidget* field, const QString& caption);
    // The day the window's keys work on, as a reader should hear it; nullptr for a window without days.
    virtual QWidget* dayTarget() const { return nullptr; }
    // A left-button press on the strip moves the window with the mouse; afterDrag runs when it ends.
    void dragBy(ClickLabel* strip, std::function<void()> afterDrag = {});
    // Places a close picture; clicking it closes the window.
    // The close picture answers to Ctrl+W, unless the window gives it another key.
    ClickLabel* addClosePicture(const QString& name, const QRect& place,
                                const QKeySequence& key = QKeySequence(Qt::CTRL | Qt::Key_W));
    // Centres the window on the primary screen.
    void centreOn(const ScreenService& screen);

    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    static bool isCommand(QWidget* control);
    bool isUsableStop(QWidget* control) const;
    QWidget* usableCommand() const;
    // Where the focus goes when Tab reaches the stop: a field takes it, a command leaves it in the sink.
    void moveToStop(QWidget* stop, Qt::FocusReason reason);
    // The sink has the focus: a window without days hands it on to a field or a command.
    void settleSinkFocus();
    bool pressCommand(int key, Qt::KeyboardModifiers modifiers);

    QPushButton* m_cmdSetfocus;
    QPointer<QWidget> m_command;   // the command the sink's Space and Enter press
    QPointer<QWidget> m_lastField; // the field that last had the focus
    std::vector<QPointer<QWidget>> m_keyboardOrder;
    std::vector<QWidget*> m_passingFocus;
    std::vector<std::unique_ptr<FlatDecorator>> m_decorators;
    bool m_alert = false;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_unloading = false;
};
