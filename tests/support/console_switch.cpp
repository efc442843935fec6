// The verbose switch of engine tests.
#include "tests/support/console_switch.h"

#include "engine/common/console.h"

namespace
{
bool testVerbose = false;
}

void Test_SetVerbose(bool on)
{
    testVerbose = on;
    Com_BindOutputOptions(&testVerbose, nullptr);
}
