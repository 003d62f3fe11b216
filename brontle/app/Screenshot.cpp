#include "brontle/app/Screenshot.h"

#include "brontle/views/Editport.h"

#include <QPainter>
#include <QWidget>

namespace brontle {

QImage grabWithViews(QWidget* widget) {
    QImage image = widget->grab().toImage();
    QPainter painter(&image);
    for (Editport* view : widget->findChildren<Editport*>()) {
        if (!view->isVisible()) {
            continue;
        }
        const QImage drawn = view->grabWithToggle();
        if (drawn.isNull()) {
            continue;
        }
        const QPoint at = view->mapTo(widget, QPoint(0, 0));
        painter.drawImage(QRectF(at.x(), at.y(), view->width(), view->height()), drawn);
    }
    painter.end();
    return image;
}

} // namespace brontle
