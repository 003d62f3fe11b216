#pragma once
// An OpenGL 3.3 core context made current on an off-screen surface, with a framebuffer of the
// given size bound: what the renderer tests draw into. The framebuffer is released and the
// context let go when it goes out of scope.

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include <optional>

namespace views_fixtures {

class OffscreenGL {
  public:
    OffscreenGL() = default;
    OffscreenGL(const OffscreenGL&) = delete;
    OffscreenGL& operator=(const OffscreenGL&) = delete;
    ~OffscreenGL() {
        if (fbo_) {
            fbo_->release();
        }
        context_.doneCurrent();
    }

    // False when no context could be made current.
    bool start(int size, QOpenGLFramebufferObject::Attachment attachment =
                             QOpenGLFramebufferObject::CombinedDepthStencil) {
        QSurfaceFormat format;
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
        context_.setFormat(format);
        if (!context_.create()) {
            return false;
        }
        surface_.setFormat(context_.format());
        surface_.create();
        if (!context_.makeCurrent(&surface_)) {
            return false;
        }
        fbo_.emplace(size, size, attachment);
        fbo_->bind();
        return true;
    }

    QImage image() const { return fbo_->toImage(); }

  private:
    QOpenGLContext context_;
    QOffscreenSurface surface_;
    std::optional<QOpenGLFramebufferObject> fbo_;
};

} // namespace views_fixtures
