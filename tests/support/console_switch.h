// The console's verbose switch for tests of the layers below the tool's options, which
// have no option record of their own: binds the console to a switch of the tests (the
// log keeps its default name) and sets it.
#pragma once

void Test_SetVerbose(bool on);
