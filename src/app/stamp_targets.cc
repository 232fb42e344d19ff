#include "app/stamp_targets.h"

// Nothing is stamped yet.
void StampTarget(int /*mode*/, const std::string& /*CommitHash*/) {}
