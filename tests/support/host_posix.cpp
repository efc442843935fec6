// The test host is POSIX.
#include "tests/support/host.h"

bool HostIsPosix()
{
    return true;
}
