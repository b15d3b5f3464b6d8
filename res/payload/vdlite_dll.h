// What the parts of VDLite.dll share: the module and its lock count.
#ifndef VDLITE_DLL_H
#define VDLITE_DLL_H

#include <windows.h>

// Set once when the module is loaded.
extern HINSTANCE g_module;
// Live objects (class factories included) plus server locks; the module may
// be unloaded when it is zero.
extern LONG g_locks;

#endif
