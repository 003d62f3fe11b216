#include "brontle/viewmath/DragGesture.h"

#include <cmath>

namespace brontle {

void DragGesture::press(Kind kind, double x, double y, const ViewTransform& view, double depth) {
    kind_ = kind;
    armed_ = true;
    dragging_ = false;
    x0_ = x;
    y0_ = y;
    depth_ = depth;
    view_ = view;
    start_ = view.unproject(x, y, depth);
}

GestureEvent DragGesture::totals(double x, double y) const {
    GestureEvent e;
    if (kind_ == Kind::Move) {
        const Vector3 now = view_.unproject(x, y, depth_);
        e.type = GestureEvent::DragMove;
        e.a = now.x - start_.x;
        e.b = now.y - start_.y;
        e.c = view_.orthographic ? 0.0f : now.z - start_.z;
    } else {
        e.type = GestureEvent::DragScale;
        e.a = static_cast<float>(1.0 + (x - x0_) / view_.width);
        e.b = static_cast<float>(1.0 + (y0_ - y) / view_.height);
    }
    return e;
}

std::vector<GestureEvent> DragGesture::move(double x, double y) {
    std::vector<GestureEvent> out;
    if (!armed_) {
        return out;
    }
    if (!dragging_) {
        if (std::hypot(x - x0_, y - y0_) < threshold_) {
            return out;
        }
        dragging_ = true;
        out.push_back({GestureEvent::EditBegin});
    }
    const GestureEvent t = totals(x, y);
    if (!(out.empty() && t == last_)) {
        out.push_back(t);
    }
    last_ = t;
    return out;
}

std::vector<GestureEvent> DragGesture::release(double x, double y) {
    std::vector<GestureEvent> out;
    if (armed_ && dragging_) {
        const GestureEvent t = totals(x, y);
        if (!(t == last_)) {
            out.push_back(t);
        }
        out.push_back({GestureEvent::EditEnd});
    }
    armed_ = dragging_ = false;
    last_ = {};
    return out;
}

} // namespace brontle
