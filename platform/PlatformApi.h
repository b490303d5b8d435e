#pragma once
// Plug-in libraries are built with hidden visibility, so that each keeps its
// own library-wide objects. Everything they call in the shared platform
// library must therefore be declared with default visibility, or a plug-in
// would fail to link (or bind to a copy of its own).
#define OSTAN_PLATFORM_API __attribute__((visibility("default")))
// What a module keeps to itself even when built with default visibility.
#define OSTAN_MODULE_LOCAL __attribute__((visibility("hidden")))
