#include "peelwise/editor/ReadoutText.h"

#include <QLabel>
#include <QLocale>

namespace peelwise {

char userDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x80) {
        return static_cast<char>(point.at(0).unicode());
    }
    return '.';
}

void showReadout(QLabel& lblX, QLabel& lblY, const modUV::Readout& readout) {
    lblX.setText(QString::fromStdString(readout.x));
    lblY.setText(QString::fromStdString(readout.y));
}

void clearReadout(QLabel& lblX, QLabel& lblY) {
    lblX.setText(QString());
    lblY.setText(QString());
}

} // namespace peelwise
