#pragma once
// The drag gestures of the edit view as a small state machine without Qt: a press arms a move or
// a scale, the pointer must travel `threshold` pixels before the drag begins (so a click is never
// a drag), and from then on every pointer position gives the totals since the press.
//  - Move: DragMove(dx, dy, dz) = the world position under the pointer minus the one under the
//    press point, both at the press depth (an orthographic view is flat: dz is 0).
//  - Scale: DragScale(sx, sy) with sx = 1 + (x - x0) / width and sy = 1 + (y0 - y) / height:
//    dragging right or up enlarges, left or down reduces, and crossing the whole view doubles.
// The first event of a drag is EditBegin, the last EditEnd (on release).

#include "brontle/viewmath/ViewTransform.h"

#include <vector>

namespace brontle {

struct GestureEvent {
    enum Type { EditBegin, DragMove, DragScale, EditEnd };
    Type type = EditBegin;
    float a = 0.0f; // dx or sx
    float b = 0.0f; // dy or sy
    float c = 0.0f; // dz
    friend bool operator==(const GestureEvent&, const GestureEvent&) = default;
};

class DragGesture {
  public:
    enum class Kind { Move, Scale };

    explicit DragGesture(double threshold = 3.0) : threshold_(threshold) {}

    // Arms a gesture at screen (x, y); `depth` is the eye depth at which moves are measured.
    void press(Kind kind, double x, double y, const ViewTransform& view, double depth);
    // Events caused by the pointer reaching (x, y); none before the threshold is passed.
    std::vector<GestureEvent> move(double x, double y);
    // Events of the release at (x, y): the last totals (when they changed) and EditEnd, or
    // nothing when the pointer never passed the threshold. Disarms the gesture.
    std::vector<GestureEvent> release(double x, double y);
    // Drops the gesture without events (the owner lost the pointer).
    void cancel() { armed_ = dragging_ = false; }

    bool armed() const { return armed_; }
    bool dragging() const { return dragging_; }
    Kind kind() const { return kind_; }

  private:
    GestureEvent totals(double x, double y) const;

    double threshold_;
    bool armed_ = false;
    bool dragging_ = false;
    Kind kind_ = Kind::Move;
    double x0_ = 0.0, y0_ = 0.0, depth_ = 0.0;
    ViewTransform view_;
    Vector3 start_;
    GestureEvent last_;
};

} // namespace brontle
