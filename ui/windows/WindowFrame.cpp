#include "WindowFrame.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <array>

namespace corvan::ui {

void offerNoMaximize(QWidget& window) {
    Qt::WindowFlags flags = window.windowFlags();
    // Without CustomizeWindowHint the system adds every button back to a plain window.
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
             Qt::WindowCloseButtonHint;
    if ((flags & Qt::WindowType_Mask) == Qt::Window) flags |= Qt::WindowMinimizeButtonHint;
    window.setWindowFlags(flags & ~Qt::WindowMaximizeButtonHint);
}

namespace {

constexpr int kGap = 8;

enum class Side { Right, Left, Below, Above };

// The room on one side of `main` within `screen`, gap included.
QRect roomOn(Side side, const QRect& main, const QRect& screen) {
    QRect room = screen;
    switch (side) {
        case Side::Right:
            room.setLeft(main.right() + 1 + kGap);
            break;
        case Side::Left:
            room.setRight(main.left() - 1 - kGap);
            break;
        case Side::Below:
            room.setTop(main.bottom() + 1 + kGap);
            break;
        case Side::Above:
            room.setBottom(main.top() - 1 - kGap);
            break;
    }
    return room;
}

// `size` in `room`, as close to `main` and as level with it as the room allows.
QRect placeIn(Side side, const QRect& room, QSize size, const QRect& main) {
    size = size.boundedTo(room.size());
    const auto along = [](int want, int low, int high) {
        return std::clamp(want, low, std::max(low, high));
    };
    QPoint at;
    switch (side) {
        case Side::Right:
        case Side::Left:
            at.setX(side == Side::Right ? room.left() : room.right() + 1 - size.width());
            at.setY(along(main.top(), room.top(), room.bottom() + 1 - size.height()));
            break;
        case Side::Below:
        case Side::Above:
            at.setY(side == Side::Below ? room.top() : room.bottom() + 1 - size.height());
            at.setX(along(main.left(), room.left(), room.right() + 1 - size.width()));
            break;
    }
    return QRect(at, size);
}

}  // namespace

QRect besideMainWindow(const QRect& main, const QSize& wanted, const QSize& minimum,
                       const QRect& screen) {
    constexpr std::array<Side, 4> kSides{Side::Right, Side::Left, Side::Below, Side::Above};
    for (const QSize& size : {wanted, minimum.boundedTo(wanted)}) {
        for (const Side side : kSides) {
            const QRect room = roomOn(side, main, screen);
            if (room.width() >= size.width() && room.height() >= size.height())
                return placeIn(side, room, wanted, main);
        }
    }
    // No side has room: as small as it goes, at the screen's right edge, where it covers
    // the least of a main window in the middle.
    const QSize size = minimum.boundedTo(wanted).boundedTo(screen.size());
    return QRect(QPoint(screen.right() + 1 - size.width(),
                        std::clamp(main.top(), screen.top(), screen.bottom() + 1 - size.height())),
                 size);
}

void placeBesideMainWindow(QWidget& window, const QWidget& main) {
    const QRect mainFrame = main.frameGeometry();
    const QRect mainClient = main.geometry();
    const QMargins frame(mainClient.left() - mainFrame.left(), mainClient.top() - mainFrame.top(),
                         mainFrame.right() - mainClient.right(),
                         mainFrame.bottom() - mainClient.bottom());
    const QScreen* screen = main.screen();
    const QRect free = screen != nullptr ? screen->availableGeometry() : mainFrame;
    const QSize extra(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QRect placed =
        besideMainWindow(mainFrame, window.size() + extra,
                         window.minimumSizeHint().expandedTo(window.minimumSize()) + extra, free);
    window.resize(placed.size() - extra);
    window.move(placed.topLeft());
}

}  // namespace corvan::ui
