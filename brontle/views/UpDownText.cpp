#include "brontle/views/UpDownText.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace brontle {

UpDownText::UpDownText(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
    edit_->setObjectName("text");
    up_->setObjectName("up");
    down_->setObjectName("down");
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedWidth(16);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    }
    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    row->addLayout(arrows);
    setFocusProxy(edit_);
    connect(up_, &QToolButton::clicked, this, &UpDownText::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDownText::stepDown);
    connect(edit_, &QLineEdit::textChanged, this, &UpDownText::textChanged);
}

QString UpDownText::text() const {
    return edit_->text();
}

void UpDownText::setText(const QString& text) {
    edit_->setText(text);
}

void UpDownText::setMinvalue(double value) {
    min_ = value;
}
void UpDownText::setMaxvalue(double value) {
    max_ = value;
}

void UpDownText::stepUp() {
    step(1.0);
}
void UpDownText::stepDown() {
    step(-1.0);
}

void UpDownText::step(double delta) {
    bool ok = false;
    const double current = edit_->text().trimmed().toDouble(&ok);
    double next = ok && std::isfinite(current) ? current + delta : min_;
    // The limits may have been set in either order; clamp to the range they span.
    next = std::clamp(next, std::min(min_, max_), std::max(min_, max_));
    // 'g' with 15 digits shows 8 as "8" and 2.5 as "2.5".
    setText(QString::number(next, 'g', 15));
}

void UpDownText::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        stepUp();
        return;
    }
    if (event->key() == Qt::Key_Down) {
        stepDown();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace brontle
