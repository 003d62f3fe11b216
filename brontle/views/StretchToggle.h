#pragma once
// The stretch display's toggle in an edit view's top-left corner: a small button that names the
// current mode ("Stretch", "Area", "Angle") and, while the display is on, the legend of its
// colour scale under it. A click steps to the next mode, as the key D in the view does.

#include "brontle/viewmath/StretchDisplay.h"

#include <QWidget>

namespace brontle {

class StretchToggle : public QWidget {
    Q_OBJECT
  public:
    explicit StretchToggle(QWidget* parent);

    void setMode(StretchMode mode);
    StretchMode mode() const { return mode_; }
    // The rectangle of the button part, in this widget's coordinates.
    QRect buttonRect() const;

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void updateSize();
    StretchMode mode_ = StretchMode::Off;
};

} // namespace brontle
