#include "top/Top.h"
#include <QWidget>
