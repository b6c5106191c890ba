// The library as a COM in-process server: its module handle, and the
// counts that tell the system when it may be unloaded.
#pragma once
#include <windows.h>

extern HINSTANCE g_libraryModule;

// {5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}: the context-menu handler.
extern const CLSID kParvelloClassId;
extern const char kClassIdText[];
// {faa2f33b-6b6e-4e9b-80dc-efac27aedc51}: the command of Windows 11's
// first context menu, which a package declares.
extern const CLSID kExplorerCommandClassId;
extern const char kExplorerCommandClassIdText[];

// Every object the server hands out counts itself while it lives; the
// class factory's LockServer counts too.
void ObjectCreated();
void ObjectDestroyed();
void LockServerCount(bool lock);
