#include "top/Top.h"
#include <QString>
#include <QtWidgets/QWidget>
