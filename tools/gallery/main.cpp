// zentravio-gallery OUT.png: draws every button type in each of its looks, for the system and the
// custom colour scheme, with and without a picture, and the flat combo and text boxes in their looks,
// onto one sheet, so that a person can check the controls at a glance.

#include "controls/ButtonColor.h"
#include "controls/FlatDecorator.h"
#include "controls/VemraButton.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

enum class Look
{
    Up,
    Hovered,
    Pressed,
    Disabled,
    Focused
};

const QList<Look> Looks = {Look::Up, Look::Hovered, Look::Pressed, Look::Disabled, Look::Focused};
const QStringList LookNames = {"up", "hovered", "pressed", "disabled", "focused, default"};

constexpr QSize ButtonSize(100, 30);
constexpr int Margin = 8;
constexpr int LabelWidth = 70;
constexpr int CellWidth = ButtonSize.width() + 16;
constexpr int RowHeight = ButtonSize.height() + 10;
constexpr QColor StageColour(0xE4, 0xE4, 0xDC);
constexpr QPoint StagePosition(200, 200);

// Runs the event loop until the condition holds or half a second has gone by; a look that never
// comes is reported, since the sheet would then show the wrong one.
bool waitFor(const std::function<bool()>& condition, const char* what = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 500) {
            if (what)
                QTextStream(stderr) << "zentravio-gallery: no " << what << " look\n";
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A small window the control under test sits in, with a widget that takes the focus first.
struct Stage
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QWidget* focusSink = new QWidget(window.get());

    explicit Stage(QSize size)
    {
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, StageColour);
        window->setPalette(palette);
        window->setAutoFillBackground(true);
        window->resize(size);
        window->move(StagePosition);
        focusSink->setFocusPolicy(Qt::StrongFocus);
        focusSink->setGeometry(size.width() - 2, size.height() - 2, 1, 1);
    }

    void show()
    {
        window->show();
        waitFor([this] { return window->isVisible() && window->windowHandle()->isExposed(); });
    }

    void focus(QWidget* widget)
    {
        window->activateWindow();
        waitFor([this] { return QApplication::activeWindow() == window.get(); });
        widget->setFocus(Qt::TabFocusReason);
        waitFor([widget] { return widget->hasFocus(); }, "focused");
    }

    // Puts the pointer over the widget; leaving it first makes sure the move is seen.
    void hover(QWidget* widget)
    {
        QCursor::setPos(QPoint(0, 0));
        QCoreApplication::processEvents();
        QCursor::setPos(widget->mapToGlobal(widget->rect().center()));
        QCoreApplication::processEvents();
    }

    // The widget as it shows in its window, window region and surroundings included.
    QImage shot(QWidget* widget, int around = 0) const
    {
        return window->grab(widget->geometry().adjusted(-around, -around, around, around)).toImage();
    }
};

QPixmap galleryPicture()
{
    // Mask-coloured surroundings, a dark ring and a light centre: enough to see transparency,
    // greying, ghosting and the embossed disabled look.
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(ButtonColor::toQColor(0xC0C0C0));
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x20, 0x50, 0xA0));
    painter.drawEllipse(QRect(1, 1, 14, 14));
    painter.setBrush(QColor(0xF0, 0xC0, 0x30));
    painter.drawEllipse(QRect(5, 5, 6, 6));
    painter.end();
    return QPixmap::fromImage(image);
}

QImage drawButton(int type, int scheme, bool picture, Look look)
{
    Stage stage(QSize(ButtonSize.width() + 20, ButtonSize.height() + 20));
    auto* button = new VemraButton(QStringLiteral("&Save"), stage.window.get());
    button->setGeometry(QRect(QPoint(10, 10), ButtonSize));
    button->DisableRefresh();
    button->setButtonType(type);
    button->setColorScheme(scheme);
    if (scheme == 2) {
        button->setBackColor(0xE8C8A0);
        button->setBackOver(0xF8E0C0);
        button->setForeColor(0x503000);
        button->setForeOver(0x0000B0);
    }
    if (picture)
        button->setPictureNormal(galleryPicture());
    button->Refresh();
    stage.show();

    const QPoint centre = button->rect().center();
    switch (look) {
    case Look::Up:
        break;
    case Look::Hovered:
        stage.hover(button);
        waitFor([button] { return button->pointerOver(); }, "hovered button");
        break;
    case Look::Pressed: {
        stage.hover(button);
        waitFor([button] { return button->pointerOver(); }, "hovered button");
        QMouseEvent press(QEvent::MouseButtonPress, centre, button->mapToGlobal(centre), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &press);
        break;
    }
    case Look::Disabled:
        button->setEnabled(false);
        break;
    case Look::Focused:
        button->setDefaultButton(true);
        stage.focus(button);
        break;
    }
    return stage.shot(button, 2);
}

// The flat combo and text boxes: each kind in its idle, hovered, focused and (combo) dropped look.
QImage drawFlat(const QString& kind, const QString& state)
{
    Stage stage(QSize(150, 44));
    QWidget* control = nullptr;
    if (kind == QLatin1String("text")) {
        auto* edit = new QLineEdit(QStringLiteral("Note text"), stage.window.get());
        edit->setGeometry(8, 8, 134, 26);
        control = edit;
    } else {
        auto* combo = new QComboBox(stage.window.get());
        combo->setEditable(kind == QLatin1String("editable combo"));
        combo->addItems({QStringLiteral("Monthly"), QStringLiteral("Yearly"), QStringLiteral("Every day")});
        combo->setGeometry(10, 10, 130, 24);
        control = combo;
    }
    FlatDecorator decorator;
    decorator.Attach(control);
    stage.show();

    if (state == QLatin1String("hovered")) {
        stage.hover(control);
        waitFor([&decorator] { return decorator.isHot(); }, "hovered flat control");
    } else if (state == QLatin1String("focused")) {
        stage.focus(control);
    } else if (state == QLatin1String("dropped")) {
        auto* combo = qobject_cast<QComboBox*>(control);
        stage.focus(combo);
        combo->showPopup();
        waitFor([&decorator] { return decorator.DroppedDown(); }, "dropped combo");
    }
    QCoreApplication::processEvents();
    QImage image = stage.shot(control, 4);
    if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->hidePopup();
    return image;
}

void drawSection(QPainter& painter, QPoint origin, int scheme, bool picture)
{
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(origin + QPoint(0, 14),
                     QStringLiteral("ColorScheme %1, %2")
                         .arg(scheme)
                         .arg(picture ? QStringLiteral("with picture") : QStringLiteral("no picture")));
    painter.setFont(QFont());
    for (int column = 0; column < Looks.size(); ++column)
        painter.drawText(origin + QPoint(LabelWidth + column * CellWidth, 34), LookNames.at(column));

    for (int type = 0; type <= 14; ++type) {
        const int y = origin.y() + 44 + type * RowHeight;
        painter.drawText(QPoint(origin.x(), y + 22), QStringLiteral("type %1").arg(type));
        for (int column = 0; column < Looks.size(); ++column) {
            const QImage cell = drawButton(type, scheme, picture, Looks.at(column));
            painter.drawImage(QPoint(origin.x() + LabelWidth + column * CellWidth - 2, y), cell);
        }
    }
}

int sectionHeight()
{
    return 44 + 15 * RowHeight + Margin;
}

int sectionWidth()
{
    return LabelWidth + int(Looks.size()) * CellWidth;
}

void drawFlatSection(QPainter& painter, QPoint origin)
{
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(origin + QPoint(0, 14), QStringLiteral("FlatDecorator: combo and text boxes"));
    painter.setFont(QFont());
    const QStringList kinds = {"combo", "editable combo", "text"};
    const QStringList states = {"normal", "hovered", "focused", "dropped"};
    for (int column = 0; column < states.size(); ++column)
        painter.drawText(origin + QPoint(120 + column * 170, 34), states.at(column));
    for (int row = 0; row < kinds.size(); ++row) {
        const int y = origin.y() + 42 + row * 46;
        painter.drawText(QPoint(origin.x(), y + 24), kinds.at(row));
        for (int column = 0; column < states.size(); ++column) {
            if (kinds.at(row) == QLatin1String("text") && states.at(column) == QLatin1String("dropped"))
                continue;
            painter.drawImage(QPoint(origin.x() + 120 + column * 170, y),
                              drawFlat(kinds.at(row), states.at(column)));
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: zentravio-gallery OUT.png\n";
        return 2;
    }

    const int flatHeight = 42 + 3 * 46 + Margin;
    QImage sheet(Margin * 3 + 2 * sectionWidth(), Margin * 2 + 2 * sectionHeight() + flatHeight,
                 QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setPen(Qt::black);
    for (int scheme : {1, 2}) {
        for (bool picture : {false, true}) {
            const QPoint origin(Margin + (scheme - 1) * (sectionWidth() + Margin),
                                Margin + (picture ? sectionHeight() : 0));
            drawSection(painter, origin, scheme, picture);
        }
    }
    drawFlatSection(painter, QPoint(Margin, Margin + 2 * sectionHeight()));
    painter.end();

    if (!sheet.save(arguments.at(1))) {
        QTextStream(stderr) << "could not write " << arguments.at(1) << "\n";
        return 1;
    }
    return 0;
}
