#include "peelwise/support/FontWiz.h"

#include "peelwise/support/StepRunner.h"

#include "brontle/core/Error.h"
#include "brontle/services/Platform.h"

#include <QFont>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace peelwise {

namespace {

std::int64_t toTenThousandths(double points) {
    return static_cast<std::int64_t>(std::llround(points * 1e4));
}

// The face name as the system reports it: at most 32 bytes, ended by the first zero character.
std::string faceName(std::string face) {
    const std::size_t zero = face.find('\0');
    if (zero != std::string::npos) {
        face.resize(zero);
    }
    if (face.size() > 32) {
        face.resize(32);
    }
    return face;
}

void setFace(QWidget& widget, const std::string& face, double points) {
    QFont font = widget.font();
    font.setFamily(QString::fromStdString(face));
    font.setPointSizeF(points);
    widget.setFont(font);
}

} // namespace

FontWiz::FontWiz() {
    const brontle::SystemFont system = brontle::platform().systemFont();
    const std::string messageFace = faceName(system.messageFontFace);
    fontNameDefault_ = system.defaultFontFace;
    fontSizeTenThousandths_ = toTenThousandths(system.defaultFontSize);
    fontName_ = (messageFace == "Segoe UI" || messageFace == "Tahoma") ? messageFace : "Tahoma";
    if (fontName_ == "Segoe UI") {
        fontSizeTenThousandths_ = toTenThousandths(9.0);
    } else if (fontName_ == "Tahoma") {
        fontSizeTenThousandths_ = toTenThousandths(8.25);
    }
}

FontWiz& FontWiz::shared() {
    static FontWiz instance;
    return instance;
}

void FontWiz::AdjustForm(QWidget* form) const {
    if (form == nullptr) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             "FontWiz.AdjustForm was given no form", "FontWiz");
    }
    setFace(*form, fontName_, FontSizeDefault());
    AdjustControls(controlsOf(*form));
}

void FontWiz::AdjustControls(const QList<QObject*>& controls) const {
    // One control's failure must not leave the rest of the form in the old font.
    StepRunner ignore(ErrorPolicy::ContinueWithNextStep, [](const brontle::Error&) {});
    for (QObject* control : controls) {
        ignore([&] {
            auto* widget = qobject_cast<QWidget*>(control);
            if (widget == nullptr || widget->objectName().isEmpty()) {
                return;
            }
            const QString name = widget->objectName();
            if (name == "txtScript" || name == "txtDetails") {
                setFace(*widget, "Courier New", 9.0);
            } else if (name == "rtxTutorialStep") {
                return;
            } else if (name == "lblEdition") {
                const double own = widget->font().pointSizeF();
                setFace(*widget, fontName_, std::clamp(own, 11.25, 14.25));
            } else if (name == "lblOrvaneSoftware") {
                setFace(*widget, fontName_, 11.25);
            } else {
                setFace(*widget, fontName_, FontSizeDefault());
            }
        });
    }
}

QList<QObject*> FontWiz::controlsOf(const QWidget& form) {
    return form.findChildren<QObject*>();
}

} // namespace peelwise
