// The "Replace" run.
#include "engine/job_settings.h"

namespace kx {

bool JobSettings::Replace() { return false; }

}  // namespace kx
