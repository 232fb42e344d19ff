#ifndef REVSTAMP_APP_STAMP_TARGETS_H_
#define REVSTAMP_APP_STAMP_TARGETS_H_

#include <string>

/// Writes CommitHash into the file that `mode` selects.
void StampTarget(int mode, const std::string& CommitHash);

#endif  // REVSTAMP_APP_STAMP_TARGETS_H_
