#include "window/frmMulti.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace folionix {

// The icon: a sheet of paper with a folded corner and a picture on it (sky, sun, two hills),
// drawn without antialiasing in the sixteen colours of the classic palette.
QPixmap DrawFolionixIcon(int size) {
    const auto at = [size](int v) { return v * size / 32; };
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    const QColor silver(192, 192, 192);
    const QColor gray(128, 128, 128);
    const QColor navy(0, 0, 128);
    const QColor blue(0, 0, 255);
    const QColor green(0, 128, 0);
    const QColor lime(0, 255, 0);
    const QColor yellow(255, 255, 0);
    const QColor red(255, 0, 0);

    // The sheet, its folded corner and its outline.
    const QPolygon sheet({QPoint(at(5), at(1)), QPoint(at(21), at(1)), QPoint(at(27), at(7)),
                          QPoint(at(27), at(30)), QPoint(at(5), at(30))});
    painter.setPen(black);
    painter.setBrush(white);
    painter.drawPolygon(sheet);
    painter.setBrush(silver);
    painter.drawPolygon(
        QPolygon({QPoint(at(21), at(1)), QPoint(at(21), at(7)), QPoint(at(27), at(7))}));

    // The picture on the sheet.
    const QRect picture(at(8), at(10), at(16), at(12));
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawRect(picture);
    painter.setBrush(yellow);
    painter.drawEllipse(QRect(at(18), at(11), at(4), at(4)));
    painter.setBrush(green);
    painter.drawPolygon(
        QPolygon({QPoint(at(8), at(22)), QPoint(at(14), at(14)), QPoint(at(20), at(22))}));
    painter.setBrush(lime);
    painter.drawPolygon(
        QPolygon({QPoint(at(14), at(22)), QPoint(at(19), at(17)), QPoint(at(24), at(22))}));
    painter.setPen(navy);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(picture.adjusted(0, 0, -1, -1));

    // A red band at the foot of the sheet, as on a PDF document.
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawRect(QRect(at(8), at(24), at(16), at(3)));
    painter.setBrush(gray);
    painter.drawRect(QRect(at(8), at(28), at(10), std::max(1, at(1))));
    return pixmap;
}

QIcon FolionixIcon() {
    QIcon icon;
    icon.addPixmap(DrawFolionixIcon(16));
    icon.addPixmap(DrawFolionixIcon(32));
    return icon;
}

} // namespace folionix
