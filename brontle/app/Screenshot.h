#pragma once
// Pictures of host windows for tests and the README.

#include <QImage>

class QWidget;

namespace brontle {

// `widget` as drawn, including the OpenGL content of every edit view inside it (each view's
// own grab is laid over the place it occupies, since a widget grab alone may miss it).
QImage grabWithViews(QWidget* widget);

} // namespace brontle
