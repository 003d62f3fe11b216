#pragma once
// One recorded state of the editor's undo history is modUV's history entry (complete copies of
// the working shape and of the UV layout shape, and both views' sub-selections); the dialog's
// atHistory holds those entries.

#include "peelwise/uv/EditHistory.h"
