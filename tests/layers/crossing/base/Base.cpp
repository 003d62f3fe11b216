#include "base/Base.h"
#include <QString>
