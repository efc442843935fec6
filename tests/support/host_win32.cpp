// The test host is Windows.
#include "tests/support/host.h"

bool HostIsPosix()
{
    return false;
}
