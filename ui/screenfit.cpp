#include "screenfit.h"

#include <QApplication>
#include <QLayoutItem>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QWindow>

#include <algorithm>

namespace {

ScreenFit::AreaOf& areaOfInForce()
{
    static ScreenFit::AreaOf areaOf;
    return areaOf;
}

QRect areaOf(const QScreen& screen)
{
    const ScreenFit::AreaOf& replaced = areaOfInForce();
    return replaced ? replaced(screen) : screen.availableGeometry();
}

// Where a rectangle that is no larger than the area goes to lie inside it, moved as little as it
// takes.
QPoint placeInside(const QRect& rect, const QRect& area)
{
    const auto axis = [](int place, int length, int first, int areaLength) {
        return std::max(first, std::min(place, first + areaLength - length));
    };
    return QPoint(axis(rect.x(), rect.width(), area.x(), area.width()),
                  axis(rect.y(), rect.height(), area.y(), area.height()));
}

} // namespace

ScreenFit::ScreenFit(QMainWindow& window, QWidget& contents)
    : QObject(&window), window_(window), contents_(contents), formMinimum_(window.minimumSize())
{
    window.installEventFilter(this);
}

void ScreenFit::setAreaOf(AreaOf areaOf)
{
    areaOfInForce() = std::move(areaOf);
}

// Show is sent before the window appears, when its native window exists and knows its screen.
// On X11 the window manager frames the window only once it appears, which moves it: the window
// is fitted again with the frame it then has.
bool ScreenFit::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::Move && awaitsFrame_ && hasFrame()) {
        awaitsFrame_ = false;
        fit();
        return false;
    }
    if (event->type() != QEvent::Show)
        return false;
    if (!followsTheWindow_ && window_.windowHandle()) {
        followsTheWindow_ = true;
        connect(window_.windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) {
            followScreen(screen);
            fit();
        });
        followScreen(window_.windowHandle()->screen());
    }
    fit();
    awaitsFrame_ = !hasFrame();
    return false;
}

bool ScreenFit::hasFrame() const
{
    return window_.frameGeometry().size() != window_.size();
}

void ScreenFit::followScreen(QScreen* screen)
{
    disconnect(screenResized_);
    if (screen)
        screenResized_ = connect(screen, &QScreen::availableGeometryChanged, this, &ScreenFit::fit);
}

void ScreenFit::fit()
{
    // A hidden window is fitted when it shows.
    QScreen* screen = window_.windowHandle() ? window_.windowHandle()->screen() : nullptr;
    if (!screen || !window_.isVisible())
        return;
    // A screen that leaves no room (one being taken away) is no screen to fit.
    const QRect area = areaOf(*screen);
    if (area.isEmpty())
        return;
    // The window manager's frame, nothing until it has framed the window.
    const QSize frame = window_.frameGeometry().size() - window_.size();
    const QSize room = (area.size() - frame).expandedTo(QSize(1, 1));
    // The least a layout gives the contents, which their size policy may keep at their size hint.
    const QSize needed = QWidgetItem(&contents_).minimumSize().expandedTo(formMinimum_);
    const bool fits = needed.width() <= room.width() && needed.height() <= room.height();
    if (!fits || scrollArea_) {
        scrollContents(!fits);
        window_.setMinimumSize(fits ? formMinimum_ : formMinimum_.boundedTo(room));
    }
    if (window_.width() <= room.width() && window_.height() <= room.height())
        return;
    window_.resize(window_.size().boundedTo(room));
    const QRect placed = window_.frameGeometry();
    const QPoint inside = placeInside(placed, area);
    if (inside != placed.topLeft())
        window_.move(inside);
}

void ScreenFit::scrollContents(bool scroll)
{
    if (scroll == (scrollArea_ != nullptr))
        return;
    emit rearranging();
    // The contents are hidden for a moment as they move, which takes the focus from the control
    // that has it: it gets it back.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    if (scroll) {
        scrollArea_ = new QScrollArea(&window_);
        scrollArea_->setObjectName(QStringLiteral("contentsScrollArea"));
        scrollArea_->setFrameShape(QFrame::NoFrame);
        scrollArea_->setFocusPolicy(Qt::NoFocus); // Tab goes on to the controls inside
        scrollArea_->setWidgetResizable(true);
        scrollArea_->setWidget(window_.takeCentralWidget());
        window_.setCentralWidget(scrollArea_);
        // However a control gets the keyboard focus, it comes into view.
        connect(qApp, &QApplication::focusChanged, scrollArea_, [this](QWidget*, QWidget* now) {
            if (now && contents_.isAncestorOf(now))
                scrollArea_->ensureWidgetVisible(now);
        });
    } else {
        window_.takeCentralWidget();
        window_.setCentralWidget(scrollArea_->takeWidget());
        // The scroll area had the contents paint their own background.
        contents_.setAutoFillBackground(false);
        delete scrollArea_;
        scrollArea_ = nullptr;
    }
    // Moved in while the window is shown or showing, they are not shown with it.
    window_.centralWidget()->show();
    contents_.show();
    if (focused)
        focused->setFocus(Qt::OtherFocusReason);
    emit rearranged();
}
