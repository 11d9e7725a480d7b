#include "settings/firststart.h"

#include <QtGlobal>

namespace {

constexpr QSize kWanted(1000, 700);
constexpr QSize kMinimum(800, 480);
// Room for the window manager's frame and title bar, and between the windows.
constexpr QSize kFrame(16, 48);
constexpr int kGap = 8;

} // namespace

FirstPlacement FirstStartPlacement(const QRect &available, const QSize &subtitle)
{
    const QPoint origin = available.topLeft();
    QSize main(qMin(kWanted.width(), available.width() - kFrame.width()),
               qMin(kWanted.height(), available.height() - kFrame.height()));
    main = main.expandedTo(QSize(1, 1));
    // Beside: the room right of the main window, narrowing it down to the minimum.
    const int besideWidth = available.width() - subtitle.width() - kGap - kFrame.width();
    if (besideWidth >= qMin(main.width(), kMinimum.width())) {
        main.setWidth(qMin(main.width(), besideWidth));
        return {QRect(origin, main), origin + QPoint(main.width() + kFrame.width() + kGap, 0)};
    }
    const int belowHeight = available.height() - subtitle.height() - kGap - kFrame.height();
    if (belowHeight >= qMin(main.height(), kMinimum.height())) {
        main.setHeight(qMin(main.height(), belowHeight));
        return {QRect(origin, main), origin + QPoint(0, main.height() + kFrame.height() + kGap)};
    }
    const QPoint corner(qMax(origin.x(), available.right() + 1 - subtitle.width()),
                        qMax(origin.y(), available.bottom() + 1 - subtitle.height()));
    return {QRect(origin, main), corner};
}
