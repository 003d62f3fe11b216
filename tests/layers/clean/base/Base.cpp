#include "base/Base.h"
#include "elsewhere/NotALayer.h"
