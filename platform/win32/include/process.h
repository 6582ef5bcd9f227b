// Windows' C run time's process calls.
#pragma once

extern "C" int _getpid();
