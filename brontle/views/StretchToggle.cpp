#include "brontle/views/StretchToggle.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace brontle {

namespace {

constexpr int kButtonWidth = 64, kButtonHeight = 20, kLegendHeight = 34, kLegendWidth = 132;

QColor colourOf(std::uint32_t argb) {
    return QColor::fromRgb(static_cast<QRgb>(argb));
}

} // namespace

StretchToggle::StretchToggle(QWidget* parent) : QWidget(parent) {
    setObjectName("stretchToggle");
    setCursor(Qt::PointingHandCursor);
    setToolTip("Stretch display (D): off, area, angle");
    setFocusPolicy(Qt::NoFocus);
    updateSize();
}

void StretchToggle::setMode(StretchMode mode) {
    if (mode == mode_) {
        return;
    }
    mode_ = mode;
    updateSize();
    update();
}

QRect StretchToggle::buttonRect() const {
    return QRect(0, 0, kButtonWidth, kButtonHeight);
}

void StretchToggle::updateSize() {
    if (mode_ == StretchMode::Off) {
        setFixedSize(kButtonWidth, kButtonHeight);
    } else {
        setFixedSize(kLegendWidth, kButtonHeight + 2 + kLegendHeight);
    }
}

void StretchToggle::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && buttonRect().contains(event->position().toPoint())) {
        emit clicked();
        event->accept();
        return;
    }
    event->ignore();
}

void StretchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    const bool on = mode_ != StretchMode::Off;
    const QRectF button = QRectF(buttonRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QColor(20, 20, 20, 200));
    painter.setBrush(on ? QColor(250, 250, 250, 230) : QColor(40, 40, 40, 170));
    painter.drawRoundedRect(button, 4, 4);
    painter.setPen(on ? QColor(20, 20, 20) : QColor(235, 235, 235));
    const char* label = mode_ == StretchMode::Area    ? "Area"
                        : mode_ == StretchMode::Angle ? "Angle"
                                                      : "Stretch";
    painter.drawText(button, Qt::AlignCenter, label);
    if (!on) {
        return;
    }
    // The legend: the colour scale with its ends and middle named.
    const QRectF legend(0.5, kButtonHeight + 2.5, kLegendWidth - 1.0, kLegendHeight - 1.0);
    painter.setPen(QColor(20, 20, 20, 200));
    painter.setBrush(QColor(40, 40, 40, 190));
    painter.drawRoundedRect(legend, 4, 4);
    const QRectF bar(legend.left() + 8, legend.top() + 5, legend.width() - 16, 10);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    const int steps = 8;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const double value =
            mode_ == StretchMode::Area ? (2.0 * t - 1.0) * kAreaLegendRange : t * kAngleLegendRange;
        gradient.setColorAt(t, colourOf(distortionColour(static_cast<float>(value), mode_)));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawRect(bar);
    painter.setPen(QColor(235, 235, 235));
    const QRectF text(bar.left() - 4, bar.bottom() + 1, bar.width() + 8, 14);
    if (mode_ == StretchMode::Area) {
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("\u00bc\u00d7"));
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter,
                         QString::fromUtf8("1\u00d7 area"));
        painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, QString::fromUtf8("4\u00d7"));
    } else {
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("1\u00d7"));
        painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter, "angle");
        painter.drawText(text, Qt::AlignRight | Qt::AlignVCenter, QString::fromUtf8("2\u00d7"));
    }
}

} // namespace brontle
