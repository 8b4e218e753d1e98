#pragma once

#include "port/BuildInfo.h"

namespace kelvra::qt {

// The build information compiled into the program. Only a build configured with an
// update feed and its signing key declares them: distribution packages are updated by
// the package manager.
port::BuildInfo compiledBuildInfo();

}  // namespace kelvra::qt
